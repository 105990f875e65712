#include "update/UpdateText.h"

#include <array>

namespace sweeplet {
namespace {

struct PromptTexts {
  const char* language;
  const char* question[3];  // three paragraphs
  const char* noticeBar;
  const char* yes;
  const char* no;
};

// Checked in this order; the last row, with no code, answers every other language.
constexpr std::array<PromptTexts, 8> kTexts{{
    {"ko",
     {"업데이트 정보가 있습니다.",
      "안정적으로 사용하기 위해 업데이트를 하시길 권장합니다.",
      "다운로드 받으시겠습니까?"},
     "업데이트 가능", "예", "아니오"},
    {"ja",
     {"このプログラムがアップデートされました。",
      "安定的に使用するために新しくダウンロード·実行することをお勧めします。",
      "ダウンロードしますか。"},
     "アップデート可", "はい", "いいえ"},
    {"zh",
     {"该程序已更新。",
      "建议下载并执行新程序以稳定使用。",
      "您要下载吗？"},
     "可更新", "是", "否"},
    {"de",
     {"Dieses Programm ist aktualisiert worden.",
      "Es wird empfohlen, es herunterzuladen und neu auszuführen, um es stabil zu verwenden.",
      "Möchten Sie es herunterladen?"},
     "Update möglich", "Ja", "Nein"},
    {"ru",
     {"Данная программа была обновлена.",
      "Рекомендуется скачать и выполнить новое для стабильного использования.",
      "Вы хотите загрузить ее?"},
     "Обновление", "Да", "Нет"},
    {"it",
     {"È disponibile una nuova versione del programma.",
      "Ti suggeriamo di scaricare ed aggiornare il programma.",
      "Vuoi scaricare la nuova versione del programma?"},
     "Aggiornabile", "Sì", "No"},
    {"fr",
     {"Ce programme a été mis à jour.",
      "Il est recommandé de télécharger et d'exécuter la nouvelle version pour une utilisation stable.",
      "Voulez-vous le télécharger?"},
     "Maj dispo", "Oui", "Non"},
    {nullptr,
     {"This program has been updated.",
      "It is recommended to download and execute new for stable use.",
      "Do you want to download it?"},
     "Update available", "Yes", "No"},
}};

const PromptTexts& TextsFor(std::string_view language) {
  for (const PromptTexts& texts : kTexts) {
    if (texts.language == nullptr || language == texts.language) return texts;
  }
  return kTexts.back();
}

}  // namespace

std::string UpdateText(int kind, std::string_view language) {
  const PromptTexts& texts = TextsFor(language);
  switch (kind) {
    case kUpdateQuestion: {
      // Paragraphs are separated by two bare carriage returns, as the prompt has always shown them.
      std::string text = texts.question[0];
      for (int i = 1; i < 3; ++i) {
        text += "\r\r";
        text += texts.question[i];
      }
      return text;
    }
    case kUpdateNoticeBar:
      return texts.noticeBar;
    case kUpdateYes:
      return texts.yes;
    case kUpdateNo:
      return texts.no;
    default:
      return {};
  }
}

}  // namespace sweeplet
