// Header values found inside an HTML body: meta elements with an
// "http-equiv" attribute and "content", or with a "charset" attribute, in
// the head of the document.
#pragma once

#include "core/streams.h"
#include "core/string_list.h"
#include "http/header_records.h"

namespace zorapi {

// Scans the whole of AStream, read as 8-bit text, and appends one header
// line per meta element found to AHeaders. Leaves the stream at its end.
void ParseMetaHTTPEquiv(TStream& AStream, TStringList& AHeaders);

// The headers of an HTML body: an entity record filled by the meta scan.
class TIdMetaHTTPEquiv : public TIdEntityHeaderInfo {
 public:
  explicit TIdMetaHTTPEquiv(TComponent* AOwner) : TIdEntityHeaderInfo(AOwner) {}

  // Appends the meta lines of AStream to RawHeaders and, when RawHeaders
  // then has any line, reads the fields from it.
  void ProcessMetaHTTPEquiv(TStream& AStream);
};

}  // namespace zorapi
