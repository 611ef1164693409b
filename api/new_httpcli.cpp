#include "api/new_httpcli.h"

namespace zorapi {

TNewHttpcli::~TNewHttpcli() = default;

TNewHttpcli* TNewHttpcli::Create(TComponent* Aowner) {
  TNewHttpcli* client = ComponentFactory::Build<TNewHttpcli>(Aowner);
  client->SetConnectTimeout(30000);
  return client;
}

}  // namespace zorapi
