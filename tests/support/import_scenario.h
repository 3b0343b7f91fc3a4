// A realistic update for the tests of an import's promise: files created, replaced and deleted, read-only
// ones, a library with replaced, added and deleted documents, a new library and a changed common one.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "model/records.h"
#include "support/dir_snapshot.h"
#include "support/temp_dir.h"

namespace quarvel {

class ImportScenario : public ::testing::Test {
 protected:
  void SetUp() override;

  // Lays the old state into the target again, and imports the diff there.
  int ImportInto();
  // Rewrites the diff from the old and new directories as they stand now.
  void WriteDiff();
  // "" when the target holds exactly the old state (result -1) or the new one (0); else the difference.
  std::string CheckOutcome(int result) const;
  // "" when the target holds exactly either state, and sets `isNew` to which.
  std::string OldOrNew(bool* isNew) const;
  // Lays the old state into the target again, removes any undo file, and imports the diff there with
  // the undo written to `undo_`.
  int ImportWithUndoInto();
  // "" when the undo is as the target's state requires: for the old state, no undo file and no work
  // file of the undo writer; for the new one, a sound undo file whose import (on the host's own
  // platform) gives back the old state. Changes the target.
  std::string CheckUndo(bool isNew);
  // True when a work file of the diff writer ("KMDW") stands beside the undo file; removes it.
  bool TakeUndoWorkFile();

  TempDir dir_;
  std::string old_ = dir_.Sub("old");
  std::string new_ = dir_.Sub("new");
  std::string target_ = dir_.path() + "target/";
  std::string diff_ = dir_.path() + "update.kmd";
  std::string undo_ = dir_.path() + "undo.kmd";
  SBNdtAry list_;
  DirSnapshot old_state_, new_state_;
};

}  // namespace quarvel
