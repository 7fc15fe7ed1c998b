// The exported functions of electronic signatures: the signer groups,
// reasons and root folder a host registers, and the signature itself.
//
// Each runs in the export barrier (interface/export_barrier.h).
#include <exception>

#include "TAVSecurityUI.h"
#include "esig/esig_registry.h"
#include "esig/esignature_flow.h"
#include "esig/signature_rules.h"
#include "interface/export_barrier.h"
#include "interface/module.h"
#include "logon/user_record.h"
#include "ui/gui_app.h"
#include "util/bstr.h"

namespace tav {
namespace {

// Frees what the record holds, then stores the signature. A string that
// cannot be allocated is left null.
void FillESigInfo(const SignatureResult& signature, ESigInfo* info) {
  TAVSecurityUI_freeESigInfo(info);
  const UserRecord& signer = signature.signer;
  info->userName = SysAllocString(signer.user_name);
  info->domain = SysAllocString(signer.domain);
  info->logonServer = SysAllocString(signer.logon_server);
  info->fullName = SysAllocString(signer.full_name);
  info->description = SysAllocString(signer.description);
  info->groups = SysAllocString(JoinGroups(signer.groups));
  info->isAdmin = signer.is_admin != 0 ? 1 : 0;
  info->reason = signature.reason;
  info->comment = SysAllocString(signature.comment);
  info->signTime = signature.sign_time;
  info->folder = SysAllocString(signature.folder);
}

int32_t Begin(HWND parent, TAV2FileManager* file, const char* document_name, BOOL show_comment,
              BOOL allow_subfolder, const char* subfolder, ESigInfo* info, HANDLE* previous,
              int32_t data_type) {
  EnterModule();
  SignatureRequest request;
  request.parent = WidgetFromHwnd(parent);
  request.document = file;
  request.document_name = document_name != nullptr ? document_name : "";
  request.show_comment = show_comment != 0;
  request.allow_subfolder = allow_subfolder != 0;
  request.subfolder = subfolder != nullptr ? subfolder : "";
  request.data_type = data_type;
  SignatureResult signature;
  const int result = BeginESignature(TheLogonState(), SignatureBackend::Default(),
                                     TheESigRegistry(), request, &signature, previous);
  if (result == kSignatureOk && info != nullptr) FillESigInfo(signature, info);
  return result;
}

}  // namespace
}  // namespace tav

using tav::ExportBarrier;
using tav::TheESigRegistry;

extern "C" {

int32_t TAVSecurityUI_ResetESignatureGroups(void) {
  return ExportBarrier<int32_t>(0, [] {
    TheESigRegistry().ResetGroups();
    return 0;
  });
}

int32_t TAVSecurityUI_AddESignatureGroup(const char* group) {
  tav::WatchProcessExit();
  try {
    return TheESigRegistry().AddGroup(group);
  } catch (...) {
    // Out of memory: the list is as it was.
    return static_cast<int32_t>(TheESigRegistry().groups().size());
  }
}

int32_t TAVSecurityUI_ResetESignatureReasons(void) {
  return ExportBarrier<int32_t>(0, [] {
    TheESigRegistry().ResetReasons();
    return 0;
  });
}

int32_t TAVSecurityUI_InitESignatureReasons(void) {
  return ExportBarrier<int32_t>(0, [] {
    TheESigRegistry().InitReasons();
    return 0;
  });
}

int32_t TAVSecurityUI_AddESignatureReason(int32_t number, const char* name, int32_t dataType) {
  return ExportBarrier<int32_t>(-1, [&] {
    return TheESigRegistry().AddReason(number, name, dataType);
  });
}

int32_t TAVSecurityUI_SetESignatureRootPath(const char* path) {
  return ExportBarrier<int32_t>(0, [&] {
    TheESigRegistry().SetRootPath(path);
    return 0;
  });
}

int32_t TAVSecurityUI_BeginESignature(HWND parent, TAV2FileManager* file,
                                      const char* documentName, BOOL showComment,
                                      BOOL allowSubfolder, const char* subfolder, ESigInfo* info,
                                      HANDLE* previousToken, int32_t dataType) {
  return ExportBarrier<int32_t>(tav::kSignatureCancelled, [&] {
    return tav::Begin(parent, file, documentName, showComment, allowSubfolder, subfolder, info,
                      previousToken, dataType);
  });
}

int32_t TAVSecurityUI_EndESignature(HANDLE previousToken) {
  return ExportBarrier<int32_t>(0, [&] {
    return tav::EndESignature(tav::TheLogonState(), tav::SignatureBackend::Default(),
                              previousToken);
  });
}

}  // extern "C"
