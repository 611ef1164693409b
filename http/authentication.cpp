#include "http/authentication.h"

#include "core/text.h"
#include "core/utf8.h"

namespace zorapi {
namespace {

template <class T>
std::unique_ptr<TIdAuthentication> Make() {
  return std::make_unique<T>();
}

struct TIdAuthenticationRegistration {
  std::u16string_view Name;
  TIdAuthenticationClass Class;
};

constexpr TIdAuthenticationRegistration kRegisteredSchemes[] = {
    {u"Basic", &Make<TIdBasicAuthentication>},
    {u"NTLM", &Make<TIdNTLMAuthentication>},
    {u"Negotiate", &Make<TIdNegotiateAuthentication>},
    {u"Digest", &Make<TIdDigestAuthentication>},
};

}  // namespace

std::u16string TIdBasicAuthentication::Authentication() {
  return u"Basic " + Base64Encode(EncodeUtf8(Username() + u":" + Password()));
}

TIdAuthenticationClass FindAuthClass(std::u16string_view AAuthName) {
  for (const auto& scheme : kRegisteredSchemes)
    if (SameText(scheme.Name, AAuthName)) return scheme.Class;
  return nullptr;
}

std::u16string Base64Encode(std::string_view ABytes) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::u16string out;
  out.reserve((ABytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= ABytes.size(); i += 3) {
    const unsigned v = static_cast<unsigned char>(ABytes[i]) << 16 |
                       static_cast<unsigned char>(ABytes[i + 1]) << 8 | static_cast<unsigned char>(ABytes[i + 2]);
    out.push_back(kAlphabet[v >> 18 & 63]);
    out.push_back(kAlphabet[v >> 12 & 63]);
    out.push_back(kAlphabet[v >> 6 & 63]);
    out.push_back(kAlphabet[v & 63]);
  }
  const std::size_t rest = ABytes.size() - i;
  if (rest > 0) {
    unsigned v = static_cast<unsigned char>(ABytes[i]) << 16;
    if (rest == 2) v |= static_cast<unsigned char>(ABytes[i + 1]) << 8;
    out.push_back(kAlphabet[v >> 18 & 63]);
    out.push_back(kAlphabet[v >> 12 & 63]);
    out.push_back(rest == 2 ? kAlphabet[v >> 6 & 63] : '=');
    out.push_back('=');
  }
  return out;
}

}  // namespace zorapi
