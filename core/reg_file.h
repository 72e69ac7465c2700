#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/registry_value.h"

namespace vq {

// The settings key as the text of a registry export file (.reg), so that an
// administrator can read and edit it and Windows' regedit can import it.
// Values live under [HKEY_LOCAL_MACHINE\Software\Vequor\Monitor] as
//   "Name"="text"            REG_SZ, with \\ and \" escaped
//   "Name"=dword:0000000c    REG_DWORD
//   "Name"=hex(2):41,42,00   any other type (hex: is REG_BINARY), continued over
//                            lines by a trailing backslash
// Quoted strings are taken byte for byte, as the store's strings are single-byte
// text; the hex form of a string type is single bytes under "REGEDIT4" and
// UTF-16LE under "Windows Registry Editor Version 5.00". Every line the store
// does not change (comments, other keys, unknown lines) is kept as it was.
class RegFile {
 public:
  // A value of the settings key; no `value` when its data cannot be read.
  struct Entry {
    std::string name;
    std::optional<RegistryValue> value;
  };

  explicit RegFile(std::string_view text = {});

  std::string Text() const;

  // The settings key's value of that name; where a name appears twice, the later
  // one counts, as it would on import.
  std::optional<Entry> Find(const std::string& name) const;

  // Replaces the value in place, or adds it at the end of the settings key,
  // adding the header and the key when the text has none. False when the name
  // cannot be written in this format (a line break in it).
  bool Set(const std::string& name, const RegistryValue& value);

  // True when there was such a value.
  bool Remove(const std::string& name);

  // Adds the header and the settings key's section when they are missing.
  void EnsureKey();

 private:
  struct Located {
    std::size_t first_line;
    std::size_t line_count;
    Entry entry;
  };

  std::vector<Located> Scan() const;
  std::optional<RegistryValue> ParseData(std::string_view data) const;
  // The line after the last one of the settings key's last section, if it has one.
  std::optional<std::size_t> KeyEnd() const;
  std::string FormatEntry(const std::string& name, const RegistryValue& value) const;

  std::vector<std::string> lines_;
  std::string line_end_ = "\n";
  bool utf16_strings_ = false;
};

}  // namespace vq
