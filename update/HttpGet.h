#pragma once
// One GET to the update service; one POST of a crash report.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sweeplet {

using HttpHeaders = std::vector<std::pair<std::wstring, std::wstring>>;

// Replies larger than this are refused rather than read without end.
inline constexpr size_t kMaxReplyBytes = 256 * 1024;

// GETs `url` (http or https) with `headers` added in order. True with `data` set to the body
// (decoded as UTF-8, stored as well-formed UTF-8) whatever the status code; false, leaving `data`
// alone, on any failure: bad URL, no connection, TLS, time-out, a body over kMaxReplyBytes.
bool HttpGet(std::wstring_view url, const HttpHeaders& headers, std::string& data) noexcept;

// POSTs `content` to `url` the same way, the reply read and dropped. True for a 2xx status.
bool HttpPost(std::wstring_view url, const HttpHeaders& headers, std::string_view content) noexcept;

}  // namespace sweeplet
