#pragma once

#include <map>
#include <string>

namespace vq {

// The named texts that the desktop monitor puts together at run time. Each name
// has a built-in English text; a language table may replace any of them. Callers
// look a text up each time they use it, so a language switch takes effect at once.
class MessageTexts {
 public:
  // The text of `name` in the active language; the built-in text where the
  // language does not translate it; the name itself for a name the table lacks,
  // so that a missing text shows up as its key instead of as nothing.
  std::string Text(const std::string& name) const;

  // Replaces the active language's texts; an empty table restores built-in English.
  void SetLanguageTable(std::map<std::string, std::string> texts) { language_ = std::move(texts); }

  static const std::map<std::string, std::string>& BuiltInTexts();

 private:
  std::map<std::string, std::string> language_;
};

}  // namespace vq
