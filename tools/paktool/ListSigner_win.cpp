#include "tools/paktool/ListSigner.h"

#include "support/Error.h"

namespace {

[[noreturn]] void Refuse() {
    throw EZolvaneError("Making keys and signing need the Linux paktool; this one only verifies.");
}

} // namespace

void MakeListKeyPair(const std::string&, const std::string&, bool) { Refuse(); }

ListSignature SignWithKeyFile(const std::string&, const std::vector<std::uint8_t>&) { Refuse(); }
