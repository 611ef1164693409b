// The base of every network component: registers a user of the socket stack
// for its lifetime, and carries the status and work notifications.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/component.h"

namespace zorapi {

enum TIdStatus : std::uint8_t {
  hsResolving,
  hsConnecting,
  hsConnected,
  hsDisconnecting,
  hsDisconnected,
  hsStatusText,
  ftpTransfer,
  ftpReady,
  ftpAborted
};

enum TWorkMode : std::uint8_t { wmRead, wmWrite };

class TIdComponent;

using TIdStatusEvent =
    std::function<void(TIdComponent* ASender, TIdStatus AStatus, const std::u16string& AStatusText)>;
using TWorkEvent = std::function<void(TIdComponent* ASender, TWorkMode AWorkMode, std::int64_t AWorkCount)>;
using TWorkBeginEvent =
    std::function<void(TIdComponent* ASender, TWorkMode AWorkMode, std::int64_t AWorkCountMax)>;
using TWorkEndEvent = std::function<void(TIdComponent* ASender, TWorkMode AWorkMode)>;
using TIdNotifyEvent = std::function<void(TIdComponent* ASender)>;

class TIdComponent : public TComponent {
 public:
  explicit TIdComponent(TComponent* AOwner);
  ~TIdComponent() override;

  void BeginWork(TWorkMode AWorkMode, std::int64_t ASize = 0);
  void DoWork(TWorkMode AWorkMode, std::int64_t ACount);
  void EndWork(TWorkMode AWorkMode);

  const TIdStatusEvent& OnStatus() const { return FOnStatus; }
  void SetOnStatus(TIdStatusEvent AValue) { FOnStatus = std::move(AValue); }
  const TWorkEvent& OnWork() const { return FOnWork; }
  void SetOnWork(TWorkEvent AValue) { FOnWork = std::move(AValue); }
  const TWorkBeginEvent& OnWorkBegin() const { return FOnWorkBegin; }
  void SetOnWorkBegin(TWorkBeginEvent AValue) { FOnWorkBegin = std::move(AValue); }
  const TWorkEndEvent& OnWorkEnd() const { return FOnWorkEnd; }
  void SetOnWorkEnd(TWorkEndEvent AValue) { FOnWorkEnd = std::move(AValue); }
  // Work is passed on to this component when set.
  TIdComponent* WorkTarget() const { return FWorkTarget; }
  void SetWorkTarget(TIdComponent* AValue) { FWorkTarget = AValue; }

 protected:
  // Registers this component as a user of the socket stack.
  void SetUpComponent() override;
  // The status text filled with AArgument, reported when OnStatus is set.
  void ReportStatus(TIdStatus AStatus, std::u16string_view AArgument = {});

 private:
  struct TWorkInfo {
    std::int64_t Current = 0;
    std::int64_t Max = 0;
    std::int32_t Level = 0;
  };

  TIdStatusEvent FOnStatus;
  TWorkEvent FOnWork;
  TWorkBeginEvent FOnWorkBegin;
  TWorkEndEvent FOnWorkEnd;
  TWorkInfo FWorkInfos[2];
  TIdComponent* FWorkTarget = nullptr;
  bool FStackUser = false;
};

// The text of a status value filled with one argument.
std::u16string StatusText(TIdStatus AStatus, std::u16string_view AArgument);

}  // namespace zorapi
