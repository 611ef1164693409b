// The library's HTTP client class: the HTTP client with the connect limit
// of the service calls.
#pragma once

#include "core/component.h"
#include "http/custom_http.h"

namespace zorapi {

class TNewHttpcli : public TIdHTTP {
 public:
  using TIdHTTP::TIdHTTP;
  ~TNewHttpcli() override;

  // With an owner the owner frees the client; without one the caller does.
  static TNewHttpcli* Create(TComponent* Aowner);
};

}  // namespace zorapi
