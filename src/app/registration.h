// The registration entries of the application and of the diff file type, as a registry-script text.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "shell/ui_services.h"

namespace quarvel {

struct RegistrationEntry {
  std::string key;
  std::string value;  // CP932
};
using RegistrationList = std::vector<RegistrationEntry>;

// The application's class identifier: a fixed GUID of our own.
extern const char kQuarvelClassId[];

// The application list: clsid, progid "ZELT.Application.1", description, appname, empty cmdline.
RegistrationList ApplicationRegistration();
// The document list of the ".kmd" type, "iconindex" (1) and "docflags" (1277165570) formatted here.
RegistrationList DocumentRegistration();

// Builds the script: the line "REGEDIT", then one line "<progid>\<key> = <value>" per entry of the
// application list and of the document list in that order, each list completed with the default item
// "appname" (the application list's value) when it lacks the key. Returns 0, or -1 with the failing
// key in `failedKey` when a key is empty or a key or value holds a line break (it would end its line
// and forge another); `script` is then left alone.
int BuildRegistrationScript(const RegistrationList& application, const RegistrationList& document,
                            std::string* script, std::string* failedKey);

// Applies a complete script to the system; returns 0 or -1.
using RegistrationApplier = std::function<int(const std::string& script)>;

// Builds the script of the two lists (by default the ones above) and applies it. When building fails, nothing is applied and
// a message box without owner names the failing key, caption "Quarvel", OK button. Returns 0, or -1
// when building or applying failed; the caller goes on either way.
int RegisterServer(UiServices& ui, const RegistrationApplier& apply,
                   const RegistrationList& application = ApplicationRegistration(),
                   const RegistrationList& document = DocumentRegistration());

}  // namespace quarvel
