#include "api/service_operations.h"

#include <optional>

#include "core/text.h"
#include "core/utf8.h"

namespace zorapi {
namespace {

constexpr std::u16string_view kOutputOpen = u"<output>";
constexpr std::u16string_view kOutputClose = u"</output>";

// The whole stream, whatever its position, decoded strictly; nothing when
// the bytes are not well-formed UTF-8.
std::optional<std::u16string> ReplyText(const TMemoryStream& stream) {
  return DecodeUtf8Strict(stream.Memory(), static_cast<std::size_t>(stream.Size()));
}

// The frame of every operation: build the lines, post them, decode the
// reply and extract the result. Every exception becomes the empty result,
// and the result is set only by a successful extraction.
template <class Build, class Extract>
std::u16string RunOperation(const FormPost& post, const std::u16string& url, Build build,
                            Extract extract) {
  try {
    TMemoryStream response;
    TStringList fields;
    build(fields);
    post(url, fields, response);
    const std::optional<std::u16string> text = ReplyText(response);
    if (!text) return {};
    return extract(*text);
  } catch (...) {
    return {};
  }
}

std::u16string Field(std::u16string_view name, std::u16string_view value) {
  std::u16string line(name);
  line += value;
  return line;
}

}  // namespace

std::u16string SessionFromReply(TLoginReplyMatcher& matcher, std::u16string_view replyText) {
  if (!matcher.Exec(replyText)) return {};
  if (!SameText(matcher.Success(), u"true")) return {};
  return matcher.Session();
}

std::u16string OutputFromReply(std::u16string_view replyText) {
  const std::size_t open = replyText.find(kOutputOpen);
  const std::size_t close = replyText.find(kOutputClose);
  // "</output>" without "<output>" is read as no output at all.
  if (open == std::u16string_view::npos || close == std::u16string_view::npos) return {};
  const std::size_t start = open + kOutputOpen.size();
  if (close <= start) return {};
  return std::u16string(replyText.substr(start, close - start));
}

std::u16string Login(const FormPost& post, const std::u16string& url, TLoginReplyMatcher& matcher,
                     std::u16string_view user, std::u16string_view password) {
  return RunOperation(
      post, url,
      [&](TStringList& fields) {
        fields.Add(u"action=authenticate");
        fields.Add(u"format=xml");
        fields.Add(Field(u"username=", TrimView(user)));
        fields.Add(Field(u"password=", TrimView(password)));
      },
      [&](const std::u16string& text) { return SessionFromReply(matcher, text); });
}

namespace {

std::u16string TextOperation(const FormPost& post, const std::u16string& url,
                             std::u16string_view action, std::u16string_view session,
                             std::u16string_view text, std::int32_t maxsyns,
                             const std::int32_t* quality) {
  return RunOperation(
      post, url,
      [&](TStringList& fields) {
        fields.Add(Field(u"action=", action));
        fields.Add(Field(u"session=", TrimView(session)));
        fields.Add(u"format=xml");
        fields.Add(Field(u"text=", TrimView(text)));
        fields.Add(Field(u"maxsyns=", IntToText(maxsyns)));
        if (quality) fields.Add(Field(u"quality=", IntToText(*quality)));
      },
      [](const std::u16string& reply) { return OutputFromReply(reply); });
}

}  // namespace

std::u16string IdentifySynonyms(const FormPost& post, const std::u16string& url,
                                std::u16string_view session, std::u16string_view text,
                                std::int32_t maxsyns) {
  return TextOperation(post, url, u"identifySynonyms", session, text, maxsyns, nullptr);
}

std::u16string ReplaceEveryonesFavorites(const FormPost& post, const std::u16string& url,
                                         std::u16string_view session, std::u16string_view text,
                                         std::int32_t maxsyns, std::int32_t quality) {
  return TextOperation(post, url, u"replaceEveryonesFavorites", session, text, maxsyns, &quality);
}

}  // namespace zorapi
