// SignatureBackend: what a signature needs of the world beyond the logon's
// seam (logon/logon_backend.h): the signer's logon server, the data type's
// e-signature configuration and the clock that dates the signature.
//
// The default forwards to the security service, theSystemConfig and the
// system clock. Tests derive from it to make one step answer as the real
// services cannot be made to on demand (an accepted empty password, a
// failed impersonation, a clock that moves by steps).
//
// Threads: the calling thread's, as the logon backend.
#ifndef TAV_ESIG_SIGNATURE_BACKEND_H_
#define TAV_ESIG_SIGNATURE_BACKEND_H_

#include <string>

#include "logon/logon_backend.h"
#include "records/esig_config_types.h"
#include "util/ole_date.h"

namespace tav {

class SignatureBackend : public LogonBackend {
 public:
  static SignatureBackend& Default();

  // The logon server of the user the last Authenticate accepted.
  virtual std::string AuthenticLogonServer();

  // The data type's e-signature settings; an unreadable configuration
  // leaves `config` empty, so that it offers no reason.
  virtual void ReadESigConfiguration(int data_type, CTAVESigConfiguration& config);

  // The local date and time now.
  virtual DATE Now();
};

}  // namespace tav

#endif  // TAV_ESIG_SIGNATURE_BACKEND_H_
