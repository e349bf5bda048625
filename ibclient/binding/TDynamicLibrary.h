// TDynamicLibrary: loads the client library with dlopen and binds its entry
// points with dlsym, working out the client version from what it finds.
//
// A required entry point that is missing fails the load with EOSError naming
// it; the library is then closed again and counts as not loaded, so the next
// check starts over from the beginning.
#pragma once

#include "ibclient/binding/IGDSLibrary.h"

#include <QByteArray>

class TDynamicLibrary : public IGDSLibrary {
public:
    // The file name is searched the ordinary way ("libfbclient.so.2").
    static constexpr const char* kDefaultFileName = "libfbclient.so.2";

    explicit TDynamicLibrary(const QByteArray& fileName = kDefaultFileName);
    ~TDynamicLibrary() override;

    TDynamicLibrary(const TDynamicLibrary&) = delete;
    TDynamicLibrary& operator=(const TDynamicLibrary&) = delete;

    void LoadIBLibrary() override;
    void FreeIBLibrary() override;
    bool TryIBLoad() override;
    void CheckIBLoaded() override;
    double GetIBClientVersion() override;

    bool Loaded() const { return FHandle != nullptr; }

    // The file name used by the next load. Tests point it at libraries of
    // their own; the program never changes it.
    const QByteArray& FileName() const { return FFileName; }
    void SetFileName(const QByteArray& fileName) { FFileName = fileName; }

private:
    template <class Entry>
    void Bind(void* handle, Entry& entry);
    template <class Entry>
    bool TryBind(void* handle, Entry& entry);
    void ResetEntries();

    QByteArray FFileName;
    void* FHandle = nullptr;
    // The client version in ten-thousandths (6.3 is 63000), as the version is
    // a decimal with four fractional digits.
    qint64 FClientVersion = 0;
};
