// The library's HTTP client class. Until the HTTP stack is in place its POST
// entry refuses every request, so each operation yields the empty result.
#pragma once

#include <memory>
#include <string>

#include "core/component.h"
#include "core/streams.h"
#include "core/string_list.h"
#include "core/text_encoding.h"

namespace zorapi {

class TNewHttpcli : public TComponent {
 public:
  explicit TNewHttpcli(TComponent* Aowner) : TComponent(Aowner) {}
  // With an owner the owner frees the client; without one the caller does.
  static TNewHttpcli* Create(TComponent* Aowner) { return ComponentFactory::Build<TNewHttpcli>(Aowner); }

  void Post(const std::u16string& AURL, TStringList* ASource, TStream* AResponseContent,
            const TIdTextEncoding* AByteEncoding);
};

}  // namespace zorapi
