// The RAII helpers of the Windows layer: each undoes exactly what it did, once.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h, which they need
#include <objbase.h>
#include <shlobj.h>

#include "win32/com_ptr.h"
#include "win32/scoped_gdi.h"
#include "win32/scoped_handle.h"

namespace pallisar {
namespace {

TEST(ScopedGdi, SelectionsArePutBackAndCreatedDCsDeleted) {
    ScopedFont font(
        CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial"));
    ASSERT_TRUE(font);
    HDC dcHandle = nullptr;
    {
        ScopedCreatedDC dc = CreateCompatibleMemoryDC(nullptr);
        ASSERT_TRUE(dc);
        dcHandle = dc.Get();
        ScopedBitmap bitmap(CreateCompatibleBitmap(dc.Get(), 8, 8));
        ASSERT_TRUE(bitmap);
        const HGDIOBJ originalFont = GetCurrentObject(dc.Get(), OBJ_FONT);
        const HGDIOBJ originalBitmap = GetCurrentObject(dc.Get(), OBJ_BITMAP);
        {
            ScopedSelectObject selectFont(dc.Get(), font.Get());
            ScopedSelectObject selectBitmap(dc.Get(), bitmap.Get());
            EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_FONT), font.Get());
            EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_BITMAP), bitmap.Get());
            {
                // A selection that fails puts nothing back when it goes.
                ScopedSelectObject failed(dc.Get(), nullptr);
            }
            EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_FONT), font.Get());
        }
        EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_FONT), originalFont);
        EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_BITMAP), originalBitmap);
        EXPECT_EQ(GetObjectType(dcHandle), static_cast<DWORD>(OBJ_MEMDC));
    }
    EXPECT_EQ(GetObjectType(dcHandle), 0u);
}

// An object that counts its references and offers IPersist besides IUnknown.
class CountedObject : public IPersist {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPersist)) {
            *out = static_cast<IPersist*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }

    ULONG references = 1;  // the creator's
};

TEST(ComPtr, ReleasesEachReferenceExactlyOnce) {
    CountedObject object;
    {
        ComPtr<IUnknown> first(&object);  // takes the creator's reference
        ComPtr<IUnknown> second(std::move(first));
        EXPECT_FALSE(first);
        EXPECT_EQ(object.references, 1u);

        ComPtr<IPersist> persist;
        ASSERT_EQ(second.QueryInterface(IID_IPersist, persist), S_OK);
        EXPECT_EQ(persist.Get(), static_cast<IPersist*>(&object));
        EXPECT_EQ(object.references, 2u);
        ComPtr<IStream> stream;
        EXPECT_EQ(second.QueryInterface(IID_IStream, stream), E_NOINTERFACE);
        EXPECT_FALSE(stream);
        EXPECT_EQ(object.references, 2u);

        // Receiving into a holder releases what it held first.
        ASSERT_EQ(second.QueryInterface(IID_IPersist, persist), S_OK);
        EXPECT_EQ(object.references, 2u);
        // So does moving onto it.
        ComPtr<IUnknown> third;
        ASSERT_EQ(second.QueryInterface(IID_IUnknown, third), S_OK);
        EXPECT_EQ(object.references, 3u);
        second = std::move(third);
        EXPECT_FALSE(third);
        EXPECT_EQ(object.references, 2u);
        persist.Reset();
        EXPECT_EQ(object.references, 1u);
    }
    EXPECT_EQ(object.references, 0u);
}

struct ApartmentResults {
    HRESULT outer = E_FAIL, inner = E_FAIL, create = E_FAIL, query = E_FAIL;
    HRESULT afterwards = E_FAIL;  // CoInitialize once both guards are gone
    HRESULT inMultiThreaded = S_OK;
    HRESULT multiThreadedAfterwards = E_FAIL;  // the thread's own apartment, re-entered
};

DWORD WINAPI SingleThreadedApartment(void* param) {
    auto& results = *static_cast<ApartmentResults*>(param);
    {
        ScopedCoInitialize outer;
        results.outer = outer.Result();
        {
            ScopedCoInitialize inner;
            results.inner = inner.Result();
        }
        // Still in the apartment: the shell link object of the shortcut writer works.
        ComPtr<IShellLinkA> link;
        results.create = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_IShellLinkA, link.ReceiveVoid());
        ComPtr<IPersistFile> file;
        results.query = link.QueryInterface(IID_IPersistFile, file);
    }
    results.afterwards = CoInitialize(nullptr);
    if (SUCCEEDED(results.afterwards)) CoUninitialize();
    return 0;
}

DWORD WINAPI MultiThreadedApartment(void* param) {
    auto& results = *static_cast<ApartmentResults*>(param);
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
    {
        ScopedCoInitialize guard;
        results.inMultiThreaded = guard.Succeeded() ? S_OK : guard.Result();
    }
    results.multiThreadedAfterwards = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(results.multiThreadedAfterwards)) CoUninitialize();
    CoUninitialize();
    return 0;
}

void RunThread(LPTHREAD_START_ROUTINE body, ApartmentResults& results) {
    ScopedKernelHandle thread(CreateThread(nullptr, 0, body, &results, 0, nullptr));
    ASSERT_TRUE(thread);
    ASSERT_EQ(WaitForSingleObject(thread.Get(), 10000), WAIT_OBJECT_0);
}

TEST(ScopedCoInitialize, LeavesTheApartmentOnlyWhenItEnteredIt) {
    ApartmentResults results;
    RunThread(SingleThreadedApartment, results);
    EXPECT_EQ(results.outer, S_OK);
    EXPECT_EQ(results.inner, S_FALSE);
    EXPECT_EQ(results.create, S_OK);
    EXPECT_EQ(results.query, S_OK);
    // Each guard left once: the thread was out of COM again.
    EXPECT_EQ(results.afterwards, S_OK);

    // In a thread of another apartment kind the guard fails and leaves it alone.
    RunThread(MultiThreadedApartment, results);
    EXPECT_EQ(results.inMultiThreaded, RPC_E_CHANGED_MODE);
    EXPECT_EQ(results.multiThreadedAfterwards, S_FALSE);
}

}  // namespace
}  // namespace pallisar
