// The form-list POST entry: the fields become an
// "application/x-www-form-urlencoded" body handed to the stream entry.
#include "http/custom_http.h"
#include "http/form_encoding.h"

namespace zorapi {

std::u16string TIdCustomHTTP::EncodeFormFields(const TStringList* ASource,
                                               const TIdTextEncoding* AByteEncoding) const {
  return zorapi::EncodeFormFields(ASource, AByteEncoding, FOptions.Contains(hoForceEncodeParams));
}

void TIdCustomHTTP::Post(const std::u16string& AURL, TStringList* ASource, TStream* AResponseContent,
                         const TIdTextEncoding* AByteEncoding) {
  if (NeedsFormContentType(Request().ContentType())) Request().SetContentType(std::u16string(kFormUrlEncodedContentType));
  if (!ASource) {
    Post(AURL, static_cast<TStream*>(nullptr), AResponseContent);
    return;
  }
  TMemoryStream body;
  WriteFormBody(EncodeFormFields(ASource, AByteEncoding), body);
  body.SetPosition(0);
  Post(AURL, &body, AResponseContent);
}

}  // namespace zorapi
