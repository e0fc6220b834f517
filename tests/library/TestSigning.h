// Signing skit lists in tests, with two fixed test keys (numbers 1 and 2): through libcrypto in the
// native build and through CNG under Windows, so that both builds can make the signed lists they check.
#pragma once

#include "library/ListSignature.h"

#include <string>

// Adds the key's signature to the skit list at the path, replacing an earlier one by the same key;
// other signatures stay. Raises EZolvaneError when signing fails.
void SignListForTests(const std::string& listPath, int keyNumber);

// The public key of test key 1 or 2, as an installation trusts it.
PublicKeyInfo TestPublicKey(int keyNumber);
