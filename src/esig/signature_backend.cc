#include "esig/signature_backend.h"

#include "client/security_proxy.h"
#include "client/service_client.h"
#include "services/config/system_configuration.h"
#include "services/security/korwinsec.h"

namespace tav {

SignatureBackend& SignatureBackend::Default() {
  static SignatureBackend backend;
  return backend;
}

std::string SignatureBackend::AuthenticLogonServer() {
  if (UsesComplianceService()) return client::AuthenticatedUser().logon_server;
  int length = KorWinSec_aGetAuthenticLogonServer(nullptr, 0);
  if (length <= 0) return {};
  std::string value(static_cast<size_t>(length) + 1, '\0');
  if (KorWinSec_aGetAuthenticLogonServer(value.data(), length + 1) != length) return {};
  value.resize(static_cast<size_t>(length));
  return value;
}

void SignatureBackend::ReadESigConfiguration(int data_type, CTAVESigConfiguration& config) {
  // The result is not examined: a failed read clears the configuration, and
  // an empty configuration enables nothing.
  theSystemConfig.ReadESigConfiguration(data_type, config);
}

DATE SignatureBackend::Now() { return OleDateNow(); }

}  // namespace tav
