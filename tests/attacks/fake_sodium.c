/* What an attacker preloads into a client: a password check that accepts
 * every password. Preloaded before libsodium, it replaces the real one in
 * whatever process loads it. */
int crypto_pwhash_str_verify(const char* hash, const char* password,
                             unsigned long long password_length) {
  (void)hash;
  (void)password;
  (void)password_length;
  return 0;
}
