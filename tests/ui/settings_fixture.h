// What the settings-page tests share: a logged-in client against its own
// simulated recorder, a page opened as the settings window opens it, the
// messages shown, the configuration calls the recorder received and the
// records it stores.
#pragma once

#include <QCoreApplication>
#include <QLineEdit>
#include <QWidget>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui_fixture.h"

namespace kestrel::ui_test {

struct SettingsSetup {
    // Logs in as user, whose password is its name.
    explicit SettingsSetup(sim::RecorderConfig config = RecorderWithChannels(4),
                           const std::string& user = "admin") {
        ok = fixture.StartRecorder(std::move(config)) && fixture.LogIn(user, user);
    }
    // Opens the page as the settings window does when its item is chosen.
    template <typename Page>
    std::unique_ptr<Page> Open() {
        auto page = std::make_unique<Page>(fixture.Context(), nullptr);
        page->resize(770, 560);
        page->show();
        page->Open();
        return page;
    }
    std::vector<std::string>& Shown() { return fixture.messages.shown; }
    std::string Text(int id) { return fixture.Context().LoadText(id); }
    size_t Calls() { return fixture.Recorder().Observed().MctpRequests().size(); }
    std::vector<std::string> CallsSince(size_t from) {
        std::vector<std::string> names;
        const auto requests = fixture.Recorder().Observed().MctpRequests();
        for (size_t i = from; i < requests.size(); ++i) {
            names.push_back(requests[i].function);
        }
        return names;
    }
    // The records the recorder now answers call with.
    template <typename Record>
    std::vector<Record> Stored(std::string_view call, std::optional<uint32_t> selector = {}) {
        const auto bytes = selector ? fixture.Recorder().StoredRecord(call, *selector)
                                    : fixture.Recorder().StoredRecord(call);
        std::vector<Record> records(bytes ? bytes->size() / sizeof(Record) : 0);
        if (!records.empty()) {
            std::memcpy(records.data(), bytes->data(), records.size() * sizeof(Record));
        }
        return records;
    }
    // The one record the recorder answers call with; empty unless there is exactly one.
    template <typename Record>
    Record StoredOne(std::string_view call) {
        const std::vector<Record> records = Stored<Record>(call);
        return records.size() == 1 ? records[0] : Record{};
    }

    UiFixture fixture;
    bool ok = false;
};

// Types into a box and leaves it, as the operator does.
inline void Type(QLineEdit* box, const QString& text) {
    box->setText(text);
    emit box->editingFinished();
}

// build/bin/settings-NAME.png, for people to look at.
inline void SavePicture(QWidget& page, const char* name) {
    page.grab().save(QCoreApplication::applicationDirPath() + "/settings-" + name + ".png");
}

}  // namespace kestrel::ui_test
