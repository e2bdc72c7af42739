/* The one function a language module exports.
 *
 * A language module ("SimplifiedChinese", "TraditionalChinese") is a shared
 * library holding one translated string table, with the same identifiers as
 * the client's built-in English table.
 *
 * KestrelStringText(id) returns the UTF-8 text of string id, or NULL when the
 * module has no such string. The text is static: it stays valid as long as
 * the module is loaded. Any thread.
 */
#ifndef KESTREL_STRING_MODULE_H
#define KESTREL_STRING_MODULE_H

#include <stdint.h>

#ifdef _WIN32
#define KESTREL_STRINGS_EXPORT __declspec(dllexport)
#else
#define KESTREL_STRINGS_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define KESTREL_STRING_TEXT_SYMBOL "KestrelStringText"
typedef const char* (*KestrelStringTextFunction)(int32_t id);

KESTREL_STRINGS_EXPORT const char* KestrelStringText(int32_t id);

#ifdef __cplusplus
}
#endif

#endif
