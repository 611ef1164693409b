// The three service operations: their form fields, the frame every call runs
// in, and the extraction of the result from the reply text.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "api/login_reply_matcher.h"
#include "core/streams.h"
#include "core/string_list.h"

namespace zorapi {

// The one request every operation makes: the form field list posted to the
// endpoint, the reply body written into the response stream (UTF-8 inside
// the escapes). Every failure arrives as an exception.
using FormPost =
    std::function<void(const std::u16string& AURL, TStringList& ASource, TMemoryStream& AResponseContent)>;

// Each returns the result text, empty when anything failed.
std::u16string Login(const FormPost& post, const std::u16string& url, TLoginReplyMatcher& matcher,
                     std::u16string_view user, std::u16string_view password);
std::u16string IdentifySynonyms(const FormPost& post, const std::u16string& url,
                                std::u16string_view session, std::u16string_view text,
                                std::int32_t maxsyns);
std::u16string ReplaceEveryonesFavorites(const FormPost& post, const std::u16string& url,
                                         std::u16string_view session, std::u16string_view text,
                                         std::int32_t maxsyns, std::int32_t quality);

// Reply text extraction, exposed for tests and benchmarks.
std::u16string SessionFromReply(TLoginReplyMatcher& matcher, std::u16string_view replyText);
std::u16string OutputFromReply(std::u16string_view replyText);

}  // namespace zorapi
