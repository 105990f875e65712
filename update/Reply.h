#pragma once
// Reading and handling the update service's reply, apart from any window.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace sweeplet {

// The reply's "info" block, read only by the update prompt; every field "" when absent.
struct UpdateInfo {
  std::string style;  // "hold": a check box; "note": a link; other: room and a line only; "": no notice row
  std::string text;   // caption of the check box or the link
  std::string flag;   // "stayontop" anywhere in it keeps the prompt above other windows
  std::string url;    // target of a "note" link
};

// The unescaped value of the string field `name` ("update", "notify"): "" when absent,
// nullopt when it holds a malformed \u escape.
std::optional<std::string> ReadReplyField(std::string_view data, std::string_view name);

// The "info" block: the text from `"info":{` to the next closing brace, with its four string
// fields read the same way. nullopt when one of them is malformed.
std::optional<UpdateInfo> ReadUpdateInfo(std::string_view data);

// What the reply can make the program do; all run on the user-interface thread.
struct ReplyActions {
  std::function<bool(const UpdateInfo& info)> askUpdate;  // the update prompt; true when accepted
  std::function<void(const std::string& link)> openLink;  // the accepted update's link
  std::function<void(const std::string& link)> showNotice;  // the notice bar with its link
};

// Offers an update (an "update" link) and then shows a notice ("notify" link), whatever the
// answer. Links that are not plain web addresses count as absent. Returns true when the update
// was accepted and its link opened, or nullopt when a malformed escape stopped the handling
// part-way; the completion procedure is then not called.
std::optional<bool> HandleReply(std::string_view data, const ReplyActions& actions);

}  // namespace sweeplet
