// The journal reader on any bytes: it never crashes, and what it accepts is exactly what the writer
// makes of it again, so that no damaged journal is acted on. A journal of an older version (1 or 2) is
// written anew as the current version: there, what is read back must be what was accepted.
#include "engine/import/import_journal.h"
#include "fileio/fileio.h"
#include "fileio/work_names.h"
#include "fuzz_input.h"
#include "platform/platform.h"

using namespace quarvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const int descriptors = fuzz::OpenDescriptors();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  ImportJournal journal;
  const bool decoded = DecodeJournal(bytes, &journal);
  const bool older = size >= 4 && (data[2] == 1 || data[2] == 2) && data[3] == 0;
  if (decoded && !older && EncodeJournal(journal) != bytes) {
    fuzz::Finding("an accepted journal is not what the writer makes");
  }
  ImportJournal again;
  if (decoded && older && (!DecodeJournal(EncodeJournal(journal), &again) || EncodeJournal(again) != EncodeJournal(journal))) {
    fuzz::Finding("an accepted journal of an older version does not survive being written anew");
  }
  // The file reader must agree with the decoder.
  fuzz::PutInput(data, size, kJournalName);
  ImportJournal read;
  const int r = ReadJournal(fuzz::ScratchDir(), &read);
  if ((r == 0) != decoded) fuzz::Finding("reading the journal file disagrees with decoding its bytes");
  Host().Remove(fuzz::ScratchDir() + kJournalName);
  if (fuzz::OpenDescriptors() != descriptors) fuzz::Finding("a descriptor was left open");
  return 0;
}
