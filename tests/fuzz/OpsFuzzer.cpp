// libFuzzer target: any bytes, opened as the ops file, must give a catalogue or a clean error; never a
// crash, a read or write outside a buffer, or undefined behaviour in what the show and the settings
// dialog then ask of it.
//
// Each input becomes the ops file of this process's scratch installation, which the catalogue opens as
// the program does (read and write, no download jobs), reads the way the show and the settings dialog
// do, and closes, which saves it and may compact the pak. What it saved must open again.
#include "tests/fuzz/FuzzCatalog.h"

using namespace catalog_fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FuzzEnvironment environment(smManual);
    environment.ResetFolders();
    WriteBytes(environment.OpsFilePath(), data, size);

    try {
        SkitCatalog catalog(environment, DownloadJobFactory(), false);
        ReadAsTheProgramDoes(catalog);
        catalog.Close();
    } catch (const std::exception&) {
        // A clean refusal is what a damaged ops file should get.
        return 0;
    }
    RequireReopens(environment);
    return 0;
}
