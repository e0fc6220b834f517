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

// Copies a pak to a new one with the same resources, in the opposite order, scrambled by the program
// given (none: nothing scrambled), and without the resources of the type left out (0: none).
void RewritePakForTests(const std::string& source, const std::string& target, const ScrambleProgram* scramble,
                        PakType leftOut = 0);
