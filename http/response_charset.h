// The charset of a reply body turned into text: XML media types, the
// charset an XML body declares by its byte-order mark or its declaration,
// and the codec of a charset name.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/streams.h"
#include "core/text_encoding.h"
#include "http/header_records.h"

namespace zorapi {

// Whether the record's ContentType is an XML media type: application/xml,
// application/xml-external-parsed-entity, application/xml-dtd, or a
// non-"text/" type whose subtype ends with "+xml". "text/xml" is not one.
bool IsXmlMediaType(const TIdEntityHeaderInfo& AHeaders);
bool IsXmlMediaType(std::u16string_view AContentType);

// The charset named by the byte-order mark or the XML declaration at the
// start of AStream, possibly empty. After a byte-order mark the stream is
// left just behind it (its position moved by the mark's length); otherwise
// its position is unchanged.
std::u16string XmlDeclaredCharset(TStream& AStream);

// The codec of a charset name: the 8-bit codec for an empty or unknown
// name, the ASCII and UTF-8 codecs for their names, UTF-16 of either byte
// order, and the platform's codec for any other name it knows.
std::shared_ptr<const TIdTextEncoding> CharsetToTextCodec(std::u16string_view ACharset);

// The text of AStream's bytes from its position to its end, decoded with
// the codec of ACharset. Leaves the stream at its end.
std::u16string DecodeStreamAsCharset(TStream& AStream, std::u16string_view ACharset);

}  // namespace zorapi
