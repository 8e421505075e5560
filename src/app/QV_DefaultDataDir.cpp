// Choice of the data directory without a --data-dir option.
#include "QV_DefaultDataDir.h"

#include <filesystem>
#include <system_error>

#include "QV_FaceFinderLibrary.h"
#include "QV_Pipeline.h"
#include "SettingsStore.h"

QV_String QV_DefaultDataDir(const QV_String& builtIn)
{
    std::string headModel = QV_FaceFinderLibrary::JoinPath(builtIn, QV_Pipeline::kHeadFaceFile).Std();
    for (char& c : headModel)
        if (c == '\\') c = '/';
    std::error_code ec;
    if (std::filesystem::is_regular_file(headModel, ec)) return builtIn;
    QV_String stored;
    if (SettingsStore().ReadString(SettingsStore::kLocalMachine, QV_String(SettingsStore::kDataDirKey),
                                   QV_String(SettingsStore::kDataDirValue), stored))
        return stored;
    return builtIn;
}
