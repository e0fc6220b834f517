// libFuzzer target: any bytes, merged as a skit list into a small valid catalogue, must be merged or
// refused with a clean error; never a crash or undefined behaviour, and never an ops file that no
// longer opens.
//
// The ops file is made afresh for each input from one kept in memory: regular, special and timed skits
// with their movies, one of them with a key command. The input is the downloaded skit list; the
// catalogue merges it as new skits arrive automatically (which schedules them), is read as the show
// reads it, and is saved and closed, also after a merge that failed half way. Before the merge its
// signatures are checked against the key of the signed seed (signed-with-digests.syn, the list in
// tests/library/signed-list), so that inputs grown from that seed reach the verification.
#include "library/ListSignature.h"
#include "library/SkitFileWriters.h"
#include "tests/fuzz/FuzzCatalog.h"

#include <iterator>

using namespace catalog_fuzzing;

namespace {

SkitRecord Skit(std::uint8_t kind, std::int32_t id, const std::string& fileName) {
    SkitRecord skit;
    skit.kind = kind;
    skit.id = id;
    skit.version = 1;
    skit.name.text = "Skit " + std::to_string(id);
    skit.fileName.text = fileName;
    skit.description.text = "About " + fileName;
    skit.url.text = "http://example.com/skits/" + fileName;
    skit.state = dsDownloaded;
    skit.play = pcYes;
    skit.availableFrom = kNoon2025 - 864000000000ull;
    skit.availableUntil = kNoon2025 + 864000000000ull;
    return skit;
}

std::vector<std::uint8_t> MakeOpsTemplate(const FuzzEnvironment& environment) {
    OpsHeader header;
    header.listUrl.text = "http://example.com/skits.syn";
    header.listFileName.text = "skits.syn";
    header.listIntervalDays = 7;
    header.listVersion = 3;
    header.timedEnabled = 1;
    header.timedInterval = 2;
    header.timedPlaysPerStart = 2;
    SkitRecord keyed = Skit(skRegular, 2, "b.gif");
    keyed.keyCode = 'K';
    keyed.keyAction = 2;
    keyed.keyText.text = "http://example.com/more";
    SkitRecord timed = Skit(skTimed, 1, "t.gif");
    timed.playsLeft = 5;
    SkitRecord available = Skit(skRegular, 3, "missing.gif");
    available.state = dsAvailable;
    WriteOpsFile(environment.OpsFilePath(), header,
                 {Skit(skSpecial, 1, "s.gif"), Skit(skRegular, 1, "a.gif"), keyed, timed, available});
    std::ifstream in(environment.OpsFilePath(), std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FuzzEnvironment environment(smAutomatic);
    static const std::vector<std::uint8_t> opsTemplate = MakeOpsTemplate(environment);
    environment.ResetFolders();
    WriteBytes(environment.OpsFilePath(), opsTemplate.data(), opsTemplate.size());
    const std::string list = environment.DownloadPath() + "/skits.syn";
    WriteBytes(list, data, size);

    static const std::vector<PublicKeyInfo> trustedKeys = {*DecodeListKey(
        "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEQyFHeZfEGVk8V9RjIQNNGsuE9KUiV3WuEk1fCK6JMB7oPtIu0n0Gn9DppDyXvf/"
        "ntgMYoSDtqauR7Ol8lmIIzg==")};
    try {
        PakArchive signedList;
        signedList.Open(list, false, nullptr, sys::kGenericRead);
        CheckListSignature(signedList, trustedKeys);
    } catch (const std::exception&) {
        // A damaged list gets a clean error, as in the merge.
    }

    try {
        SkitCatalog catalog(environment, DownloadJobFactory(), false);
        try {
            catalog.MergeSyncFile(list, false);
        } catch (const std::exception&) {
            // A damaged list is refused; what it merged before the damage stays, as in the program.
        }
        ReadAsTheProgramDoes(catalog);
        catalog.Save();
        catalog.Close();
    } catch (const std::exception& error) {
        // The ops file is sound, so only the merge may fail: saving what it left must not.
        std::fprintf(stderr, "The catalogue failed after a merge: %s\n", error.what());
        std::abort();
    }
    RequireReopens(environment);
    return 0;
}
