#include "app/registration.h"

#include <cstdio>

namespace quarvel {

const char kQuarvelClassId[] = "{6F1C2A4E-8B3D-4E57-9A60-2D7C5B1E3F48}";

namespace {

const char kAppName[] = "Velmora \x8D\xB7\x95\xAA \x83\x63\x81[\x83\x8B";           // Velmora 差分 ツール
const char kDocDescription[] = "Velmo\x8D\xB7\x95\xAA\xCC\xA7\xB2\xD9";             // Velmo差分ﾌｧｲﾙ
const char kAppProgId[] = "ZELT.Application.1";
const char kDocProgId[] = "ZELT Document.1";
const char kFailureCaption[] = "Quarvel";
constexpr int kIconIndex = 1;
constexpr unsigned long kDocFlags = 0x4C200002UL;  // 1277165570

std::string Decimal(unsigned long n) {
  char text[24];
  std::snprintf(text, sizeof text, "%lu", n);
  return text;
}

bool Unsafe(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

const std::string* Find(const RegistrationList& list, const std::string& key) {
  for (const RegistrationEntry& e : list) {
    if (e.key == key) return &e.value;
  }
  return nullptr;
}

std::string ProgIdOf(const RegistrationList& list) {
  const std::string* id = Find(list, "progid");
  return id != nullptr ? *id : std::string();
}

// Appends the list's lines; false with the failing key.
bool AppendList(const RegistrationList& list, const RegistrationEntry& defaultItem, std::string* out,
                std::string* failedKey) {
  RegistrationList all = list;
  if (Find(all, defaultItem.key) == nullptr) all.push_back(defaultItem);
  std::string prefix = ProgIdOf(all);
  for (const RegistrationEntry& e : all) {
    if (e.key.empty() || Unsafe(e.key) || Unsafe(e.value) || Unsafe(prefix)) {
      *failedKey = e.key;
      return false;
    }
    *out += prefix + "\\" + e.key + " = " + e.value + "\n";
  }
  return true;
}

}  // namespace

RegistrationList ApplicationRegistration() {
  return {{"clsid", kQuarvelClassId},
          {"progid", kAppProgId},
          {"description", kAppName},
          {"appname", kAppName},
          {"cmdline", ""}};
}

RegistrationList DocumentRegistration() {
  return {{"description", kDocDescription}, {"iconindex", Decimal(kIconIndex)},
          {"extension", "kmd"},             {"docfilter", "*.kmd"},
          {"clsid", kQuarvelClassId},       {"progid", kDocProgId},
          {"docflags", Decimal(kDocFlags)}};
}

int BuildRegistrationScript(const RegistrationList& application, const RegistrationList& document,
                            std::string* script, std::string* failedKey) {
  const std::string* appName = Find(application, "appname");
  RegistrationEntry defaultItem{"appname", appName != nullptr ? *appName : std::string()};
  std::string text = "REGEDIT\n";
  if (!AppendList(application, defaultItem, &text, failedKey)) return -1;
  if (!AppendList(document, defaultItem, &text, failedKey)) return -1;
  *script = text;
  return 0;
}

int RegisterServer(UiServices& ui, const RegistrationApplier& apply, const RegistrationList& application,
                   const RegistrationList& document) {
  std::string script;
  std::string failedKey;
  if (BuildRegistrationScript(application, document, &script, &failedKey) != 0) {
    ui.ShowMessage(nullptr, failedKey, kFailureCaption, kMbOk);
    return -1;
  }
  return apply(script) == 0 ? 0 : -1;
}

}  // namespace quarvel
