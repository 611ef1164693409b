// The meta scan over any HTML body: the header lines it finds, and the
// entity record the client fills from them.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "http/meta_http_equiv.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zorapi;
  using namespace zorapi::fuzz;
  const std::string_view bytes = BytesOf(data, size);

  TMemoryStream stream = StreamOf(bytes);
  TStringList headers;
  ParseMetaHTTPEquiv(stream, headers);
  Check(stream.Position() == stream.Size(), "the scan did not leave the stream at its end");

  TMemoryStream again = StreamOf(bytes);
  auto meta = std::make_unique<TIdMetaHTTPEquiv>(nullptr);
  meta->ProcessMetaHTTPEquiv(again);
  // The record written back into lines and read again, as a copy would.
  meta->WriteHeaders();
  meta->ReadHeaders();
  return 0;
}
