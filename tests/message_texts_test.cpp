#include "core/message_texts.h"

#include <gtest/gtest.h>

namespace vq {
namespace {

TEST(MessageTextsTest, BuiltInEnglishIsExact) {
  MessageTexts texts;
  EXPECT_EQ(MessageTexts::BuiltInTexts().size(), 13u);
  EXPECT_EQ(texts.Text("C_CloseProgram"), "Are you sure,  to exit from program");
  EXPECT_EQ(texts.Text("C_Try_Connect"), "Try connect to remote server UPS...");
  EXPECT_EQ(texts.Text("C_Shutdown"), "Windows shutdown after (sec):");
  for (const auto& [name, text] : MessageTexts::BuiltInTexts()) EXPECT_EQ(texts.Text(name), text);
}

TEST(MessageTextsTest, LanguageTableReplacesAndFallsBack) {
  MessageTexts texts;
  texts.SetLanguageTable({{"C_Connected", "Verbunden"}});
  EXPECT_EQ(texts.Text("C_Connected"), "Verbunden");
  EXPECT_EQ(texts.Text("C_Try_Login"), "Try login on server UPS...") << "untranslated names keep English";
  texts.SetLanguageTable({});
  EXPECT_EQ(texts.Text("C_Connected"), "Success connected");
}

TEST(MessageTextsTest, UnknownNameReturnsTheName) {
  EXPECT_EQ(MessageTexts().Text("C_NoSuchText"), "C_NoSuchText");
}

}  // namespace
}  // namespace vq
