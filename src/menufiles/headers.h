// Headers of menu files (.SST) and library files (.SSD, .SSV): the openers and the title readers.
// Without an explicit path, a file is the holder's name with the kind's extension in the menu directory.
#pragma once

#include <cstdint>
#include <string>

#include "model/records.h"

namespace quarvel {

constexpr std::uint16_t MENU_FILE_MAGIC = 0x0B70;
constexpr std::uint16_t LIBRARY_FILE_MAGIC = 0x0B6F;
constexpr std::size_t kHeaderSize = 64;
constexpr std::size_t kTitleField = 48;  // holds at most 47 bytes of title

// Each opener returns a descriptor positioned at offset 64, which the caller closes with FileClose;
// -1 when the file cannot be opened; -4 (menu file, document library) when the magic is wrong or the
// version above 1. The menu and document-library openers accept a header cut short.
int OpenMenuFile(const SSMenu& holder, std::int32_t* number, std::string* title, const std::string& path = "");
int OpenDocLib(const SSDlib& holder, std::uint32_t* count, std::uint32_t* indexLength, std::int32_t* number,
               std::string* title, const std::string& path = "");
// As OpenDocLib, but -1 for a wrong header and for a header cut short (the title is assigned even then).
int OpenComLib(const SSVlib& holder, std::uint32_t* count, std::uint32_t* indexLength, std::int32_t* number,
               std::string* title, const std::string& path = "");

// Always 0. The title keeps its value when the file cannot be opened or is not of the kind.
int ReadMenuTitle(const SSMenu& holder, std::string* title, const std::string& path = "");
int ReadDocLibTitle(const SSDlib& holder, std::string* title, const std::string& path = "");
int ReadComLibTitle(const SSVlib& holder, std::string* title, const std::string& path = "");

}  // namespace quarvel
