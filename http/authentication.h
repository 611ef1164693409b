// Authentication scheme objects and the registry of scheme names. A scheme
// object yields the value of an "Authorization" (or "Proxy-Authorization")
// header when request headers are written. Only "Basic" yields a value; the
// exchanges of the other registered schemes are not carried out, so their
// objects yield nothing and no header is written for them.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace zorapi {

class TIdAuthentication {
 public:
  virtual ~TIdAuthentication() = default;

  // The header value for the current step; empty writes no header.
  virtual std::u16string Authentication() = 0;
  // How many steps the exchange has; positive.
  virtual int Steps() const { return 1; }
  int CurrentStep() const { return FCurrentStep; }
  // Back to the first step.
  virtual void Reset() { FCurrentStep = 0; }

  const std::u16string& Username() const { return FUsername; }
  void SetUsername(std::u16string AValue) { FUsername = std::move(AValue); }
  const std::u16string& Password() const { return FPassword; }
  void SetPassword(std::u16string AValue) { FPassword = std::move(AValue); }

 protected:
  int FCurrentStep = 0;

 private:
  std::u16string FUsername;
  std::u16string FPassword;
};

// "Basic " and the Base64 of the user name, ":" and the password (UTF-8).
class TIdBasicAuthentication : public TIdAuthentication {
 public:
  std::u16string Authentication() override;
};

class TIdDigestAuthentication : public TIdAuthentication {
 public:
  std::u16string Authentication() override { return {}; }
};

class TIdNTLMAuthentication : public TIdAuthentication {
 public:
  std::u16string Authentication() override { return {}; }
  int Steps() const override { return 3; }
};

class TIdNegotiateAuthentication : public TIdAuthentication {
 public:
  std::u16string Authentication() override { return {}; }
};

// Makes a scheme object of one registered scheme.
using TIdAuthenticationClass = std::unique_ptr<TIdAuthentication> (*)();

// The registered scheme of that name ("Basic", "NTLM", "Negotiate",
// "Digest", ignoring case), or null when it is not registered.
TIdAuthenticationClass FindAuthClass(std::u16string_view AAuthName);

// Base64 (RFC 4648, with padding) of bytes, as text.
std::u16string Base64Encode(std::string_view ABytes);

}  // namespace zorapi
