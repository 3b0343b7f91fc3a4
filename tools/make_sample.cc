// Makes the bundled sample: an old menu directory and a newer copy of it, with menu files, two
// libraries with Japanese titles and documents, a common library and other files, some changed,
// added and removed. Usage: quarvel-sample OLD_DIR NEW_DIR (both are made anew).
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/dos_time.h"
#include "platform/text.h"
#include "sample/menu_dir_builder.h"

namespace fs = std::filesystem;
using namespace quarvel;

namespace {

// CP932 bytes of UTF-8 text written in this file.
std::string J(const char* utf8) {
  std::string out;
  Utf8ToCp932(utf8, &out);
  return out;
}

// A host file name (UTF-8) for a name in this file.
std::string N(const char* utf8) { return utf8; }

std::string Body(const std::string& seed, int size) {
  std::string s;
  while (static_cast<int>(s.size()) < size) s += seed;
  return s.substr(0, static_cast<std::size_t>(size));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: quarvel-sample OLD_DIR NEW_DIR\n");
    return 2;
  }
  const std::string old_dir = std::string(argv[1]) + "/";
  const std::string new_dir = std::string(argv[2]) + "/";
  for (const std::string& d : {old_dir, new_dir}) {
    fs::remove_all(d);
    fs::create_directories(d);
  }
  const std::uint32_t t1 = MakeDosStamp(2025, 4, 1, 9, 0, 0);
  const std::uint32_t t2 = MakeDosStamp(2026, 11, 20, 17, 30, 0);
  const DocSpec estimate_a{J("見積A"), J("標準見積"), Body("estimate A ", 50000), 1};
  const DocSpec estimate_b{J("見積B"), J("特別見積"), Body("estimate B ", 3000), 2};
  const DocSpec invoice_c{J("請求C"), J("請求書"), Body("invoice C ", 1200), 3};
  const DocSpec form_1{"F1", J("月報"), Body("form one ", 800), 0};
  const DocSpec form_2{"F2", J("週報"), Body("form two ", 900), 0};

  MenuDirBuilder(old_dir)
      .Menu("MAIN.SST", J("メインメニュー"), Body("main ", 400), t1)
      .Menu("SALES.SST", J("営業メニュー"), Body("sales v1 ", 300), t1)
      .Menu("OLDMENU.SST", J("旧メニュー"), Body("old ", 200), t1)
      .Library("DOCS.SSD", J("見積書類"), {estimate_a, estimate_b, invoice_c}, t1)
      .Library("FORMS.SSD", J("帳票"), {form_1, form_2}, t1)
      .Library("PARTS.SSV", J("共通部品"), {{"P1", "", Body("part ", 500), 0}}, t1)
      .File("PRICES.CSV", "item,price\npen,100\n", t1)
      .File("NOTES.TXT", "kept as it is\n", t1);

  DocSpec estimate_b2 = estimate_b;
  estimate_b2.data = Body("estimate B, revised ", 3500);
  MenuDirBuilder(new_dir)
      .Menu("MAIN.SST", J("メインメニュー"), Body("main ", 400), t1)
      .Menu("SALES.SST", J("営業メニュー"), Body("sales v2 ", 320), t2)
      .Menu("NEWMENU.SST", J("新メニュー"), Body("new ", 250), t2)
      .Library("DOCS.SSD", J("見積書類"),
               {estimate_a, estimate_b2, {J("納品D"), J("納品書"), Body("delivery D ", 2200), 4}}, t2)
      .Library("FORMS.SSD", J("帳票"), {form_1, form_2}, t1)
      .Library("REPORT.SSD", J("報告書"), {{"R1", J("日報"), Body("report ", 700), 0}}, t2)
      .Library("PARTS.SSV", J("共通部品"), {{"P1", "", Body("part, revised ", 520), 0}}, t2)
      .File("PRICES.CSV", "item,price\npen,120\nink,80\n", t2)
      .File("NOTES.TXT", "kept as it is\n", t1)
      .File(N("見積一覧.CSV"), "no,total\n1,5000\n", t2);
  return 0;
}
