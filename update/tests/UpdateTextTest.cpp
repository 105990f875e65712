#include "update/UpdateText.h"

#include <gtest/gtest.h>

namespace sweeplet {
namespace {

struct ShortTexts {
  const char* language;
  const char* noticeBar;
  const char* yes;
  const char* no;
};

class UpdateTextShortTest : public testing::TestWithParam<ShortTexts> {};

TEST_P(UpdateTextShortTest, BarAndButtons) {
  const ShortTexts& t = GetParam();
  EXPECT_EQ(UpdateText(kUpdateNoticeBar, t.language), t.noticeBar);
  EXPECT_EQ(UpdateText(kUpdateYes, t.language), t.yes);
  EXPECT_EQ(UpdateText(kUpdateNo, t.language), t.no);
}

INSTANTIATE_TEST_SUITE_P(
    Languages, UpdateTextShortTest,
    testing::Values(ShortTexts{"ko", "업데이트 가능", "예", "아니오"}, ShortTexts{"ja", "アップデート可", "はい", "いいえ"},
                    ShortTexts{"zh", "可更新", "是", "否"}, ShortTexts{"de", "Update möglich", "Ja", "Nein"},
                    ShortTexts{"ru", "Обновление", "Да", "Нет"}, ShortTexts{"it", "Aggiornabile", "Sì", "No"},
                    ShortTexts{"fr", "Maj dispo", "Oui", "Non"}, ShortTexts{"en", "Update available", "Yes", "No"},
                    // Every other code, and a code in other letter case, falls back to English.
                    ShortTexts{"ar", "Update available", "Yes", "No"}, ShortTexts{"DE", "Update available", "Yes", "No"},
                    ShortTexts{"", "Update available", "Yes", "No"}));

TEST(UpdateTextTest, QuestionJoinsThreeParagraphsWithTwoCarriageReturns) {
  EXPECT_EQ(UpdateText(kUpdateQuestion, "en"),
            "This program has been updated.\r\rIt is recommended to download and execute new for stable use.\r\r"
            "Do you want to download it?");
  EXPECT_EQ(UpdateText(kUpdateQuestion, "de"),
            "Dieses Programm ist aktualisiert worden.\r\rEs wird empfohlen, es herunterzuladen und neu auszuführen, "
            "um es stabil zu verwenden.\r\rMöchten Sie es herunterladen?");
  EXPECT_EQ(UpdateText(kUpdateQuestion, "ja"),
            "このプログラムがアップデートされました。\r\r安定的に使用するために新しくダウンロード·実行することをお勧めします。"
            "\r\rダウンロードしますか。");
  EXPECT_EQ(UpdateText(kUpdateQuestion, "ko"),
            "업데이트 정보가 있습니다.\r\r안정적으로 사용하기 위해 업데이트를 하시길 권장합니다.\r\r다운로드 받으시겠습니까?");
}

TEST(UpdateTextTest, EveryQuestionHasThreeParagraphs) {
  for (const char* language : {"ko", "ja", "zh", "de", "ru", "it", "fr", "en"}) {
    const std::string text = UpdateText(kUpdateQuestion, language);
    const size_t first = text.find("\r\r");
    ASSERT_NE(first, std::string::npos) << language;
    const size_t second = text.find("\r\r", first + 2);
    ASSERT_NE(second, std::string::npos) << language;
    EXPECT_EQ(text.find('\r', second + 2), std::string::npos) << language;
    EXPECT_EQ(text.find('\n'), std::string::npos) << language;
    EXPECT_GT(first, 0u);
    EXPECT_LT(second + 2, text.size());
  }
  EXPECT_NE(UpdateText(kUpdateQuestion, "fr"), UpdateText(kUpdateQuestion, "it"));
  EXPECT_EQ(UpdateText(kUpdateQuestion, "ar"), UpdateText(kUpdateQuestion, "en"));
}

TEST(UpdateTextTest, UnknownKindIsEmpty) {
  EXPECT_EQ(UpdateText(4, "en"), "");
  EXPECT_EQ(UpdateText(-1, "ko"), "");
}

}  // namespace
}  // namespace sweeplet
