#include "update/Reply.h"

#include "update/Link.h"
#include "update/Strings.h"

namespace sweeplet {
namespace {

std::string StringTag(std::string_view name) {
  std::string tag = "\"";
  tag += name;
  tag += "\":\"";
  return tag;
}

std::optional<std::string> ReadStringField(std::string_view text, std::string_view name) {
  return UnescapeText(TextBetween(text, StringTag(name), "\""));
}

}  // namespace

std::optional<std::string> ReadReplyField(std::string_view data, std::string_view name) {
  return ReadStringField(data, name);
}

std::optional<UpdateInfo> ReadUpdateInfo(std::string_view data) {
  const std::string info = TextBetween(data, "\"info\":{", "}");
  auto style = ReadStringField(info, "style");
  auto text = ReadStringField(info, "text");
  auto flag = ReadStringField(info, "flag");
  auto url = ReadStringField(info, "url");
  if (!style || !text || !flag || !url) return std::nullopt;
  return UpdateInfo{std::move(*style), std::move(*text), std::move(*flag), std::move(*url)};
}

std::optional<bool> HandleReply(std::string_view data, const ReplyActions& actions) {
  const auto update = ReadReplyField(data, "update");
  if (!update) return std::nullopt;
  bool opened = false;
  if (IsOpenableLink(*update)) {
    const auto info = ReadUpdateInfo(data);
    if (!info) return std::nullopt;
    if (actions.askUpdate && actions.askUpdate(*info)) {
      if (actions.openLink) actions.openLink(*update);
      opened = true;
    }
  }

  const auto notice = ReadReplyField(data, "notify");
  if (!notice) return std::nullopt;
  if (IsOpenableLink(*notice) && actions.showNotice) actions.showNotice(*notice);
  return opened;
}

}  // namespace sweeplet
