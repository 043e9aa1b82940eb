#pragma once

// The private-profile (INI) format on bytes held in memory: finding values
// and applying writes. The file functions in profile.h read a file, call
// these and replace the file; keeping the format apart from the files lets
// the fuzz target and the tests drive it directly.
//
// Every text is GBK bytes. Names (sections and keys) compare byte for byte,
// except that ASCII letters compare without regard to case; the two bytes of
// a GBK character always compare exactly, even where the second one happens
// to be an ASCII letter.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// A reader hands back at most this many bytes of a value (its buffer holds
// one byte more for the terminating zero).
inline constexpr std::size_t kProfileValueLimit = 10239;

struct ProfileKey {
    std::string_view section;
    std::string_view key;
};

struct ProfileWrite {
    std::string_view section;
    std::string_view key;
    std::string_view value;
};

bool profileNamesEqual(std::string_view a, std::string_view b);

// Whether a write can be stored so that a later read finds it again: the
// names are not empty, carry no surrounding blanks and no line break; a
// section holds no "]", a key no "=" and does not begin like a header or a
// comment; a value holds no line break.
bool isStorableWrite(const ProfileWrite &write);

// The value that a read of (section, key) finds in the content: blanks
// around it removed, cut to kProfileValueLimit bytes; empty when the
// section or the key is missing or either name is empty.
std::string findProfileValue(std::string_view content, std::string_view section, std::string_view key);

// The same as one findProfileValue per key, in one pass over the content.
std::vector<std::string> findProfileValues(std::string_view content, std::span<const ProfileKey> keys);

// The content after the writes, applied one after another, computed in one
// pass. A write that is not storable is skipped and changes nothing.
std::string applyProfileWrites(std::string_view content, std::span<const ProfileWrite> writes);

} // namespace velmora
