// paktool's commands for signed skit lists: a key pair for an author, a signature on a list, and the
// check an installation makes.
#include "library/FileFinder.h"
#include "library/ListSignature.h"
#include "library/PakArchive.h"
#include "support/DiskFile.h"
#include "support/Error.h"
#include "tools/paktool/ListSigner.h"
#include "tools/paktool/PakToolCommands.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace {

// paktool keygen PRIVATE PUBLIC [--force]
struct KeygenOptions {
    std::string privatePath, publicPath;
    bool force = false;
};

void MakeKeys(const KeygenOptions& options, std::ostream& out) {
    RefuseToReplace(options.privatePath, options.force);
    RefuseToReplace(options.publicPath, options.force);
    MakeListKeyPair(options.privatePath, options.publicPath, options.force);
    out << "Made the private key " << options.privatePath << " (keep it to yourself) and the public key "
        << options.publicPath << "\n";
}

// paktool sign LIST --key PRIVATE
struct SignOptions {
    std::string list, key;
};

void SignList(const SignOptions& options, std::ostream& out) {
    PakArchive list;
    list.Open(options.list, false, nullptr, sys::kGenericRead | sys::kGenericWrite);
    PakArchive::Update update(list);
    const ListSignature signature = SignWithKeyFile(options.key, SignedListBytes(list));
    const std::int32_t id = AddListSignature(list, signature);
    update.Commit();
    list.Close();
    out << "Signed " << options.list << " (SIGN " << id << ")\n";
}

// paktool verify LIST --key PUBLIC
struct VerifyOptions {
    std::string list, key;
};

void VerifyList(const VerifyOptions& options, std::ostream& out) {
    const std::string line = ReadWholeFile(options.key, 4096);
    const auto key = DecodeListKey(line.substr(0, line.find('\n')));
    if (!key) {
        throw EZolvaneError(options.key +
                            " holds no public key: one line of base64 of a P-256 SubjectPublicKeyInfo, as paktool "
                            "keygen writes it.");
    }
    if (!FileExists(options.list)) {
        throw EZolvaneError("The skit list " + options.list + " is not there.");
    }
    PakArchive list;
    list.Open(options.list, false, nullptr, sys::kGenericRead);
    switch (CheckListSignature(list, {*key})) {
    case ListTrust::kTrusted:
        out << "good\n";
        return;
    case ListTrust::kUnsigned:
        throw EZolvaneError("The skit list is not signed.");
    case ListTrust::kMismatch:
        break;
    }
    throw EZolvaneError("The skit list's signature does not match.");
}

} // namespace

void AddKeyCommands(CLI::App& app, PakToolCommands& commands) {
    {
        CLI::App* command = app.add_subcommand(
            "keygen", "Make an ECDSA P-256 key pair for signing skit lists: the private key as PEM, readable by you "
                      "alone, and the public key as the one line that an installation's ListKeys takes.");
        KeygenOptions& options = commands.Add(command, MakeKeys);
        command->add_option("PRIVATE", options.privatePath, "The private key to make")->required();
        command->add_option("PUBLIC", options.publicPath, "The public key to make")->required();
        command->add_flag("--force", options.force, "Replace PRIVATE and PUBLIC when they are there");
    }
    {
        CLI::App* command = app.add_subcommand(
            "sign", "Sign a skit list with a private key from paktool keygen. Signing again with the same key "
                    "replaces that key's signature; other keys' signatures stay. Sign after the last change: any "
                    "change to the list breaks its signatures.");
        SignOptions& options = commands.Add(command, SignList);
        command->add_option("LIST", options.list, "The skit list")->required();
        command->add_option("--key", options.key, "The private key")->required();
    }
    {
        CLI::App* command = app.add_subcommand(
            "verify", "Check a skit list's signature as an installation that trusts the public key would: prints "
                      "good, or says why not and ends with status 1.");
        VerifyOptions& options = commands.Add(command, VerifyList);
        command->add_option("LIST", options.list, "The skit list")->required();
        command->add_option("--key", options.key, "The public key, as paktool keygen writes it")->required();
    }
}
