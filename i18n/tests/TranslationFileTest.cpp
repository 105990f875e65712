// The embedded table as it lies in the source tree: its byte layout, a few exact blocks, and
// lookups through the whole table.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "i18n/TranslationTable.h"

namespace sweeplet {
namespace {

using ::testing::ElementsAre;

std::string ReadTableFile() {
  std::ifstream in(SWEEPLET_TRANSLATE_TXT, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Blocks as lists of lines, split on the raw bytes rather than through the parser.
std::vector<std::vector<std::string>> BlocksOf(std::string text) {
  std::vector<std::vector<std::string>> blocks(1);
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    const std::string line = text.substr(start, end - start);
    if (line.empty()) {
      blocks.emplace_back();
    } else {
      blocks.back().push_back(line);
    }
  }
  blocks.pop_back();  // the final empty line closes the last block
  return blocks;
}

class TranslationFile : public ::testing::Test {
 protected:
  void SetUp() override {
    bytes_ = ReadTableFile();
    ASSERT_GT(bytes_.size(), 3u) << SWEEPLET_TRANSLATE_TXT;
  }
  std::string bytes_;
};

TEST_F(TranslationFile, ByteLayout) {
  EXPECT_EQ(bytes_.substr(0, 3), "\xEF\xBB\xBF");
  for (size_t i = 0; i < bytes_.size(); ++i) {
    if (bytes_[i] == '\r') {
      ASSERT_EQ(bytes_[i + 1], '\n') << "lone CR at " << i;
    }
    if (bytes_[i] == '\n') {
      ASSERT_EQ(bytes_[i - 1], '\r') << "lone LF at " << i;
    }
  }
  EXPECT_EQ(bytes_.substr(bytes_.size() - 4), "\r\n\r\n");
  EXPECT_EQ(bytes_.find("\r\n\r\n\r\n"), std::string::npos) << "blocks are separated by exactly one empty line";
  EXPECT_EQ(bytes_.find("\r\n\r\n"), bytes_.find("\r\n\r\n", 3)) << "no empty line before the first block";
}

TEST_F(TranslationFile, AllBlocksInColumnOrder) {
  const auto blocks = BlocksOf(bytes_.substr(3));
  ASSERT_EQ(blocks.size(), 56u);
  const std::vector<std::string> order = {"ko", "en", "ja", "zh", "ru", "it", "fr", "ar"};
  for (size_t b = 0; b < blocks.size(); ++b) {
    std::vector<std::string> codes;
    for (const std::string& line : blocks[b]) codes.push_back(line.substr(0, line.find('=')));
    EXPECT_EQ(codes, order) << "block " << b + 1;
  }
  EXPECT_THAT(blocks[7], ElementsAre("ko=워킹 셋", "en=Working set", "ja=ワーキング", "zh=工作", "ru=Рабочий", "it=Lavoro", "fr=Travail", "ar=عمل"));
  EXPECT_THAT(blocks[4], ElementsAre("ko=%.0n MB / %.0n MB (%n%% 사용중)", "en=%.0n MB / %.0n MB (Usage: %n%%)",
                                     "ja=%.0n MB / %.0n MB (%n%% 使用中)", "zh=%.0n MB / %.0n MB (使用率: %n%%)",
                                     "ru=%.0n MB / %.0n MB (%n%%)", "it=%.0n MB / %.0n MB (Uso: %n%%)",
                                     "fr=%.0n MB / %.0n MB (%n%%)", "ar=%.0n MB / %.0n MB (%n%%)"));
  EXPECT_THAT(blocks[8], ElementsAre("ko=정리하기", "en=Clean memory", "ja=メモリをクリーン", "zh=清理内存",
                                     "ru=Очистить память", "it=Pulisci memoria", "fr=Nettoyer la mémoire",
                                     "ar=تنظيف الذاكرة"));
  EXPECT_THAT(blocks[21], ElementsAre("ko=버전", "en=ver", "ja=バージョン", "zh=版本", "ru=вер", "it=ver",
                                      "fr=version", "ar=الإصدار"));
  EXPECT_EQ(blocks[0].front(), "ko=Sweeplet");
  EXPECT_EQ(blocks[22].front(), "ko=메모리를 정리하였습니다.");
  EXPECT_THAT(blocks[23],
              ElementsAre("ko=로그온 시 실행하려면 Sweeplet을 Program Files 같은 보호된 폴더에 설치해야 합니다.",
                          "en=Starting at logon needs Sweeplet installed in a protected folder such as Program Files.",
                          "ja=ログオン時に実行するには、Sweeplet を Program Files などの保護されたフォルダーにインストールする必要があります。",
                          "zh=要在登录时启动，需要将 Sweeplet 安装在受保护的文件夹（例如 Program Files）中。",
                          "ru=Для запуска при входе в систему Sweeplet нужно установить в защищённую папку, например "
                          "Program Files.",
                          "it=Per l'avvio all'accesso, Sweeplet deve essere installato in una cartella protetta come "
                          "Program Files.",
                          "fr=Le lancement à l'ouverture de session nécessite que Sweeplet soit installé dans un dossier "
                          "protégé comme Program Files.",
                          "ar=يتطلب التشغيل عند تسجيل الدخول تثبيت Sweeplet في مجلد محمي مثل Program Files."));
  EXPECT_THAT(blocks[24], ElementsAre("ko=확보한 메모리: %s", "en=Freed: %s", "ja=解放したメモリ: %s", "zh=已释放: %s",
                                      "ru=Освобождено: %s", "it=Memoria liberata: %s", "fr=Mémoire libérée : %s",
                                      "ar=الذاكرة المحررة: %s"));
  EXPECT_THAT(blocks[25], ElementsAre("ko=더 정리할 메모리가 없습니다.", "en=Nothing more to free.",
                                      "ja=これ以上解放できるメモリはありません。", "zh=没有更多可释放的内存。",
                                      "ru=Больше нечего освобождать.", "it=Nient'altro da liberare.",
                                      "fr=Rien de plus à libérer.", "ar=لا يوجد المزيد لتحريره"));
  EXPECT_THAT(blocks[50], ElementsAre("ko=트레이 아이콘에 메모리 사용률 표시하기", "en=Show memory use on the tray icon",
                                      "ja=トレイ アイコンにメモリ使用率を表示する", "zh=在托盘图标上显示内存使用率",
                                      "ru=Показывать загрузку памяти на значке в трее",
                                      "it=Mostra l'uso della memoria sull'icona nell'area di notifica",
                                      "fr=Afficher l'utilisation de la mémoire sur l'icône de la zone de notification",
                                      "ar=إظهار استخدام الذاكرة على أيقونة شريط المهام"));
  EXPECT_THAT(blocks[51], ElementsAre("ko=알림 표시하기", "en=Show notifications", "ja=通知を表示する", "zh=显示通知",
                                      "ru=Показывать уведомления", "it=Mostra notifiche", "fr=Afficher les notifications",
                                      "ar=إظهار الإشعارات"));
}

// Every key must lead to exactly one block, even with ASCII letters compared without case.
TEST_F(TranslationFile, NoTextInTwoBlocks) {
  const auto blocks = BlocksOf(bytes_.substr(3));
  std::map<std::string, size_t> blockOfText;
  for (size_t b = 0; b < blocks.size(); ++b) {
    for (const std::string& line : blocks[b]) {
      std::string text = line.substr(line.find('=') + 1);
      for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      }
      const auto [it, inserted] = blockOfText.emplace(text, b);
      EXPECT_TRUE(inserted || it->second == b) << '"' << text << "\" in blocks " << it->second + 1 << " and " << b + 1;
    }
  }
}

TEST_F(TranslationFile, ParserSeesEveryLine) {
  const std::vector<std::string> lines = SplitTableLines(bytes_);
  ASSERT_EQ(lines.size(), 448u + 56u);  // 56 blocks of 8 lines, each closed by an empty line
  EXPECT_EQ(lines.front(), "ko=Sweeplet");
  EXPECT_EQ(lines.back(), "");
}

struct Lookup {
  const char* current;
  const char* key;
  const char* lang;
  const char* expected;
};

class TranslationFileLookup : public ::testing::TestWithParam<Lookup> {
 protected:
  void SetUp() override { LoadTranslationTable(ReadTableFile()); }
  void TearDown() override { ReleaseTranslation(); }
};

TEST_P(TranslationFileLookup, Translates) {
  const Lookup& c = GetParam();
  SetCurrentLanguage(c.current);
  EXPECT_EQ(Translate(c.key, c.lang), c.expected) << "current " << c.current << ", key " << c.key;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TranslationFileLookup,
    ::testing::Values(Lookup{"fr", "정리하기", "", "Nettoyer la mémoire"},
                      Lookup{"ja", "Clean memory", "", "メモリをクリーン"},
                      Lookup{"ja", "CLEAN MEMORY", "", "メモリをクリーン"},
                      Lookup{"en", "워킹 셋", "", "Working set"},
                      Lookup{"de", "처음화면", "", "Home"},
                      Lookup{"de", "워킹 셋", "", "Working set"},
                      Lookup{"fr", "Working set", "", "Travail"},
                      Lookup{"ko", "working SET", "", "워킹 셋"},
                      Lookup{"ko", "버전", "ru", "вер"},
                      Lookup{"ja", "버전", "ru", "вер"},
                      Lookup{"fr", "", "", ""},
                      Lookup{"fr", "없는\\n텍스트 ", "", "없는\r텍스트 "},
                      Lookup{"ko", "Home", "", "처음화면"},
                      Lookup{"zh", "Quitter", "", "退出"},
                      Lookup{"ar", "Mémoire optimisée.", "", "تم تحسين الذاكرة"},
                      Lookup{"ko", "%.0n MB / %.0n MB (%n%%)", "en", "%.0n MB / %.0n MB (Usage: %n%%)"},
                      Lookup{"it", "home", "", "Home"},
                      Lookup{"ru", "ワーキング", "", "Рабочий"},
                      Lookup{"fr", "Freed: %s", "", "Mémoire libérée : %s"},
                      Lookup{"ja", "더 정리할 메모리가 없습니다.", "", "これ以上解放できるメモリはありません。"},
                      Lookup{"fr", "Starting at logon needs Sweeplet installed in a protected folder such as Program Files.",
                             "", "Le lancement à l'ouverture de session nécessite que Sweeplet soit installé dans un "
                                 "dossier protégé comme Program Files."}));

}  // namespace
}  // namespace sweeplet
