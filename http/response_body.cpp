// Reading a reply body into the response's content stream, or consuming it
// when there is none: chunked, by length, or until the peer closes.
#include <algorithm>

#include "core/text.h"
#include "http/custom_http.h"
#include "http/http_exceptions.h"
#include "transport/transport_exceptions.h"

namespace zorapi {
namespace {

bool IsChunked(const TIdEntityHeaderInfo& AHeaders) {
  return LowerCase(AHeaders.TransferEncoding()).find(u"chunked") != std::u16string::npos;
}

// Copies what remains of ASource to ADest at its position.
void CopyRemaining(TStream& ASource, TStream& ADest) {
  std::uint8_t block[32768];
  for (std::size_t n; (n = ASource.Read(block, sizeof block)) != 0;) ADest.Write(block, n);
}

// Whether AText is hexadecimal digits only, of a value of 0x80000000 or more.
bool HexSizeOf2GiBOrMore(std::u16string_view AText) {
  const auto isHex = [](char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
  };
  for (char16_t c : AText)
    if (!isHex(c)) return false;
  const std::size_t first = AText.find_first_not_of(u'0');
  if (first == std::u16string_view::npos) return false;
  const std::u16string_view digits = AText.substr(first);
  return digits.size() > 8 || (digits.size() == 8 && digits[0] >= u'8');
}

}  // namespace

bool IsHtmlMediaType(const TIdEntityHeaderInfo& AHeaders) {
  const std::u16string& contentType = AHeaders.ContentType();
  const std::u16string_view media = TrimView(std::u16string_view(contentType).substr(0, contentType.find(u';')));
  return SameText(media, u"text/html") || SameText(media, u"text/html-sandboxed");
}

bool TIdCustomHTTP::DataPending(std::int32_t ATimeout) {
  TIdIOHandler& io = *IOHandler();
  if (io.InputBufferIsEmpty()) io.CheckForDataOnSource(ATimeout);
  return !io.InputBufferIsEmpty();
}

bool TIdCustomHTTP::BodyExpected(TIdHTTPRequest& ARequest, TIdHTTPResponse& AResponse) {
  if (!IsChunked(AResponse) && AResponse.ContentLength() <= 0 && AResponse.HasContentLength()) return false;
  const std::int32_t code = AResponse.ResponseCode();
  if (SameText(ARequest.Method(), u"HEAD") || SameText(ARequest.MethodOverride(), u"HEAD") || code / 100 == 1 ||
      code == 204 || code == 304) {
    return FOptions.Contains(hoWaitForUnexpectedData) && DataPending(100);
  }
  if (code / 100 == 3) return DataPending(5000);
  return true;
}

std::int32_t TIdCustomHTTP::ReadChunkSize() {
  std::u16string line = ReadReplyLine();
  const std::size_t extensions = line.find(u';');
  if (extensions != std::u16string::npos) line.resize(extensions);
  std::u16string hex = Trim(line);
  // A size of 2 GiB or more cannot be read as one chunk, and one wider than
  // 32 bits would otherwise read as 0 and end the body early with its data
  // taken for trailer lines: no real reply sends either.
  if (HexSizeOf2GiBOrMore(hex)) {
    constexpr std::size_t kShown = 16;
    std::u16string message = u"Chunk size too large: ";
    message += hex.substr(0, kShown);
    if (hex.size() > kShown) message += u"...";
    throw EIdHTTPMalformedReply(message);
  }
  hex.insert(hex.begin(), u'$');  // not "$" + text, which GCC 12 at -O3 misreads as an overlapping copy
  return TextToIntDef<std::int32_t>(hex, 0);
}

void TIdCustomHTTP::ReadChunkedBody(TIdHTTPResponse& AResponse, TStream* ATarget) {
  TIdIOHandler& io = *IOHandler();
  std::int32_t size = ReadChunkSize();
  while (size != 0) {
    if (ATarget) {
      io.ReadStream(ATarget, size, false);
    } else {
      io.Discard(size);
    }
    ReadReplyLine();  // the line break after the chunk data
    size = ReadChunkSize();
  }
  for (std::u16string line = ReadReplyLine(); !line.empty(); line = ReadReplyLine())
    AResponse.RawHeaders().Add(std::move(line));
}

void TIdCustomHTTP::ReadResponseBody(TIdHTTPRequest& ARequest, TIdHTTPResponse& AResponse) {
  if (!BodyExpected(ARequest, AResponse)) return;
  TStream* const content = AResponse.ContentStream();
  const bool parseHtml = IsHtmlMediaType(AResponse) && content && !FOptions.Contains(hoNoParseMetaHTTPEquiv);
  // The meta scan needs the body in memory; the paths of this client only
  // ever give an in-memory stream or none, so no copy is made for them.
  std::unique_ptr<TMemoryStream> scratch;
  if (parseHtml && !dynamic_cast<TMemoryStream*>(content)) scratch = std::make_unique<TMemoryStream>();
  TStream* const target = scratch ? scratch.get() : content;

  TIdIOHandler& io = *IOHandler();
  if (IsChunked(AResponse)) {
    ReadChunkedBody(AResponse, target);
  } else if (AResponse.ContentLength() > 0) {
    try {
      if (target) {
        io.ReadStream(target, AResponse.ContentLength(), false);
      } else {
        io.Discard(AResponse.ContentLength());
      }
    } catch (const EIdConnClosedGracefully&) {
      // A length body cut short counts as complete.
    }
  } else if (!AResponse.HasContentLength()) {
    if (target) {
      io.ReadStream(target, -1, true);
    } else {
      io.DiscardAll();
    }
  }

  if (parseHtml) AResponse.MetaHTTPEquiv().ProcessMetaHTTPEquiv(*target);
  if (scratch) {
    scratch->SetPosition(0);
    CopyRemaining(*scratch, *content);
  }
}

}  // namespace zorapi
