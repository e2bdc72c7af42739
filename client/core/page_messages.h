// The notifications that pages and worker code send each other, and the
// seams through which the client core reaches the pages without knowing the
// GUI toolkit: the Qt pages implement PageWindow and ClientUi, tests record
// what arrives.
#pragma once

#include <cstdint>
#include <string>

namespace kestrel::client {

// Message numbers the pages exchange.
constexpr uint32_t UM_PANEL_COMMAND = 0x806;
constexpr uint32_t UM_DISK_SPACE_LOW = 0xC12;
constexpr uint32_t UM_LOGIN = 0x1401;
// To the channel control panel when the talk link is lost (from the protocol
// library's thread): the panel shows kTextTalkLost and flips its button.
constexpr uint32_t UM_TALK_LINK_LOST = 0xC20;
// To the live view when a live start has ended (from the channel's stream
// worker): first parameter the channel, second the result (0: the stream
// runs; else the media or protocol library's code). The pane shows its status
// text until then. A start that a stop overtook sends nothing, but one sent
// just before a stop may arrive after it: the page compares with its pane.
constexpr uint32_t UM_REAL_PLAY_DONE = 0xC21;
// To the main window: show the string-table text whose id is the first
// parameter in a message box (ClientContext::ShowPostedText).
constexpr uint32_t UM_SHOW_TEXT = 0xC22;
// To the login page when a step of the login sequence that ran off the GUI
// thread has ended: the page calls LoginSequence::Continue.
constexpr uint32_t UM_LOGIN_STEP = 0xC23;
// First parameter of UM_LOGIN after a successful login.
constexpr intptr_t kLoginDone = 0x501;

// A page that receives posted notifications. The PagePoster calls Post from
// any thread, under its lock: Post must not block and must not call back into
// the poster; the page handles the message later on its own (GUI) thread.
class PageWindow {
public:
    virtual ~PageWindow() = default;
    virtual void Post(uint32_t message, intptr_t first, intptr_t second) = 0;
};

// What the core shows the operator directly. Called on the GUI thread, except
// where a caller documents otherwise.
class ClientUi {
public:
    virtual ~ClientUi() = default;
    // A message box with text and an OK button; returns when it is closed.
    virtual void ShowMessage(const std::string& text) = 0;
};

}  // namespace kestrel::client
