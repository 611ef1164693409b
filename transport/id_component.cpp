#include "transport/id_component.h"

#include "transport/format_text.h"
#include "transport/stack.h"
#include "transport/transport_messages.h"

namespace zorapi {

TIdComponent::TIdComponent(TComponent* AOwner) : TComponent(AOwner) {}

TIdComponent::~TIdComponent() {
  if (FStackUser) TIdStack::DecUsage();
}

void TIdComponent::SetUpComponent() {
  TComponent::SetUpComponent();
  TIdStack::IncUsage();
  FStackUser = true;
}

void TIdComponent::BeginWork(TWorkMode AWorkMode, std::int64_t ASize) {
  if (FWorkTarget) {
    FWorkTarget->BeginWork(AWorkMode, ASize);
    return;
  }
  TWorkInfo& info = FWorkInfos[AWorkMode];
  if (++info.Level == 1) {
    info.Max = ASize;
    info.Current = 0;
    if (FOnWorkBegin) FOnWorkBegin(this, AWorkMode, ASize);
  }
}

void TIdComponent::DoWork(TWorkMode AWorkMode, std::int64_t ACount) {
  if (FWorkTarget) {
    FWorkTarget->DoWork(AWorkMode, ACount);
    return;
  }
  TWorkInfo& info = FWorkInfos[AWorkMode];
  if (info.Level > 0) {
    info.Current += ACount;
    if (FOnWork) FOnWork(this, AWorkMode, info.Current);
  }
}

void TIdComponent::EndWork(TWorkMode AWorkMode) {
  if (FWorkTarget) {
    FWorkTarget->EndWork(AWorkMode);
    return;
  }
  TWorkInfo& info = FWorkInfos[AWorkMode];
  if (info.Level == 1 && FOnWorkEnd) FOnWorkEnd(this, AWorkMode);
  --info.Level;
}

void TIdComponent::ReportStatus(TIdStatus AStatus, std::u16string_view AArgument) {
  if (FOnStatus) FOnStatus(this, AStatus, StatusText(AStatus, AArgument));
}

std::u16string StatusText(TIdStatus AStatus, std::u16string_view AArgument) {
  std::u16string_view format;
  switch (AStatus) {
    case hsResolving: format = RSStatusResolving; break;
    case hsConnecting: format = RSStatusConnecting; break;
    case hsConnected: format = RSStatusConnected; break;
    case hsDisconnecting: format = RSStatusDisconnecting; break;
    case hsDisconnected: format = RSStatusDisconnected; break;
    case hsStatusText: format = RSStatusText; break;
    default: break;  // the file-transfer states have no text here
  }
  return FormatText(format, {AArgument});
}

}  // namespace zorapi
