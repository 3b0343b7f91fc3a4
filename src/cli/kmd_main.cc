// kmd: the command-line front end. It parses arguments and prints; every operation is the engine's.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/output.h"
#include "platform/program_args.h"
#include "quarvel_version.h"
#include "shell/env.h"

namespace {

using namespace quarvel::kmd;

int Run(int argc, char** argv) {
  CLI::App app{"kmd: carries changes between Velmora menu directories through diff files (.kmd)"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "kmd " QUARVEL_VERSION);

  AnalyseArgs analyse;
  CLI::App* a = app.add_subcommand("analyse", "compare an old copy of a menu directory with the current one");
  a->add_option("OLD_DIR", analyse.oldDir, "the old copy")->required();
  a->add_option("MENU_DIR", analyse.menuDir, "the current menu directory")->required();
  a->add_option("--ext", analyse.extensions, "other files' extensions, such as KKK,CSV (default *: all)");
  a->add_option("-o", analyse.output, "write the changes found into this diff file");
  a->add_option("--comment", analyse.comment, "the diff's description (at most 47 bytes are kept)");
  a->add_flag("--content", analyse.content, "judge files by their bytes, not their stamps");
  a->add_flag("--plain", analyse.plain, "write the diff without its seal (digests and bases), as older writers did");

  CreateArgs create;
  CLI::App* c = app.add_subcommand("create", "write a diff file from items picked by hand");
  c->add_option("MENU_DIR", create.menuDir, "the menu directory")->required();
  c->add_option("-o", create.output, "the diff file to write")->required();
  c->add_option("--comment", create.comment, "the diff's description");
  c->add_option("ITEM", create.items,
                "menu:NAME.SST, lib:NAME.SSD, doc:NAME.SSD/DOCUMENT, common:NAME.SSV or file:NAME")
      ->required();
  c->add_flag("--plain", create.plain, "write the diff without its seal (digests), as older writers did");

  ShowArgs show;
  CLI::App* s = app.add_subcommand("show", "print a diff file's description and directory");
  s->add_option("FILE", show.file, "the diff file")->required();
  s->add_flag("--json", show.json, "print one JSON object");

  ImportArgs import;
  CLI::App* i = app.add_subcommand("import", "import a diff file into a menu directory, all or nothing");
  i->add_option("FILE", import.file, "the diff file")->required();
  i->add_option("MENU_DIR", import.menuDir, "the menu directory to update")->required();
  i->add_option("--exclude", import.exclude, "0-based directory indexes to leave out, such as 0,3");
  i->add_flag("--dry-run", import.dryRun, "check the diff and tell what would change; change nothing");
  i->add_flag("--force", import.force, "import over items changed in MENU_DIR since the diff was made");
  i->add_flag("--json", import.json, "with --dry-run: print one JSON object");
  i->add_option("--undo", import.undo,
                "before the commit, write to this new file (outside MENU_DIR) the diff that reverses the import");

  ListArgs list;
  CLI::App* l = app.add_subcommand("list", "list a menu directory as the creation dialog's tabs do");
  l->add_option("MENU_DIR", list.menuDir, "the menu directory")->required();
  l->add_option("KIND", list.kind, "menus (default), libs, commons, docs LIB.SSD or files MASK");
  l->add_option("ARG", list.argument, "the library for docs, the mask for files");

  std::string recover_dir;
  CLI::App* r = app.add_subcommand("recover", "finish an import that was interrupted in a menu directory");
  r->add_option("MENU_DIR", recover_dir, "the menu directory")->required();

  std::string verify_file;
  CLI::App* v = app.add_subcommand("verify", "check a diff file's whole structure and, when sealed, its bytes");
  v->add_option("FILE", verify_file, "the diff file")->required();

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    return Fail(kExitUsage, std::string(e.what()) + " (see kmd --help)");
  }
  analyse.outputGiven = a->count("-o") > 0;
  import.undoGiven = i->count("--undo") > 0;
  if (a->parsed()) return RunAnalyse(analyse);
  if (c->parsed()) return RunCreate(create);
  if (s->parsed()) return RunShow(show);
  if (i->parsed()) return RunImport(import);
  if (l->parsed()) return RunList(list);
  if (r->parsed()) return RunRecover(recover_dir);
  return RunVerify(verify_file);
}

}  // namespace

int main(int argc, char** argv) {
  quarvel::UseUtf8Console();
  const std::vector<std::string> args = quarvel::Utf8Arguments(argc, argv);
  std::vector<const char*> pointers;
  for (const std::string& a : args) pointers.push_back(a.c_str());
  pointers.push_back(nullptr);
  quarvel::StoreArguments(static_cast<int>(args.size()), pointers.data());
  return Run(static_cast<int>(args.size()), const_cast<char**>(pointers.data()));
}
