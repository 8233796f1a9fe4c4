#include "workers/CallPayload.h"

namespace {

const struct {
  IMainWndCalls::Method method;
  PayloadKind kind;
} kPayloads[] = {
    {&IMainWndCalls::on_version_reply, PayloadKind::kNarrowText},
    {&IMainWndCalls::on_fatal_error, PayloadKind::kWideText},
    {&IMainWndCalls::on_articles_failed, PayloadKind::kWideText},
    {&IMainWndCalls::on_code_failed, PayloadKind::kWideText},
    {&IMainWndCalls::on_sign_in_failed, PayloadKind::kWideText},
    {&IMainWndCalls::on_download_status, PayloadKind::kWideText},
    {&IMainWndCalls::on_download_failed, PayloadKind::kWideText},
    {&IMainWndCalls::on_download_speed, PayloadKind::kSpeed},
    {&IMainWndCalls::on_update_downloaded, PayloadKind::kWideText},
};

}  // namespace

PayloadKind PayloadKindOf(IMainWndCalls::Method method) {
  for (const auto& entry : kPayloads) {
    if (entry.method == method) return entry.kind;
  }
  return PayloadKind::kNone;
}

std::wstring TakeWideText(void* payload) {
  std::unique_ptr<std::wstring> text = TakePayload<std::wstring>(payload);
  return text ? *text : std::wstring();
}

void FreePayload(const IMainWndCalls::QueuedCall& call) {
  switch (PayloadKindOf(call.method)) {
    case PayloadKind::kWideText:
      TakePayload<std::wstring>(call.pointerArgument);
      break;
    case PayloadKind::kNarrowText:
      TakePayload<std::string>(call.pointerArgument);
      break;
    case PayloadKind::kSpeed:
      TakePayload<double>(call.pointerArgument);
      break;
    case PayloadKind::kNone:
      break;
  }
}

void DropQueuedCalls(IMainWndCalls& window) {
  IMainWndCalls::QueuedCall call;
  while (window.take_call(call)) FreePayload(call);
}
