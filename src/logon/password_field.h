// Reading a typed password out of a password field without leaving copies.
#ifndef TAV_LOGON_PASSWORD_FIELD_H_
#define TAV_LOGON_PASSWORD_FIELD_H_

#include <QString>

#include "services/security/secret.h"

namespace tav {

// Copies the text of a password field into `out` and wipes the temporary
// UTF-8 copy that the conversion made. A password is never cut: `out` is
// given room for one byte past kMaxPasswordBytes, so that a longer text
// reaches the security service as too long and is refused there like a
// wrong password (1326). Returns false for such a text.
bool ReadPasswordField(const QString& text, SecretString* out);

}  // namespace tav

#endif  // TAV_LOGON_PASSWORD_FIELD_H_
