// What every fuzz target shares: a scratch directory of its own process, and the input put into a file
// there, since the readers under test read files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quarvel::fuzz {

// The process's scratch directory, with its separator; made on first use, in memory when /dev/shm is
// there, and removed when the process exits.
const std::string& ScratchDir();
// Writes the input to `name` in the scratch directory and returns its path.
std::string PutInput(const std::uint8_t* data, std::size_t size, const std::string& name);
// The number of descriptors the process has open, to find a reader that leaks one.
int OpenDescriptors();
// Ends the process loudly: a finding.
[[noreturn]] void Finding(const std::string& what);

}  // namespace quarvel::fuzz
