// The tests' main on Windows: GoogleTest's thread for the main thread is started and seen attached
// before any test runs, so that no thread is still starting up when the process ends.
//
// GoogleTest keeps each thread's traces and result reporter in a registry on Windows. The first
// time a thread touches it (its first SCOPED_TRACE, failure or skip), it starts a thread that
// waits for that thread to end. Left to the tests, that happened inside the one test of a ctest
// process, and in over a third of such runs under Wine the new thread was still starting when
// main returned and the process ended. Here the main thread is registered before the tests, and
// main waits until the loader has attached the new thread (it calls this program's TLS callback).
#include <windows.h>

#include <atomic>

#include <gtest/gtest.h>

namespace {

// The event main waits on while GoogleTest's thread starts; the loader's callback has no other
// way to reach it.
std::atomic<HANDLE> g_attachSeen{nullptr};

void NTAPI OnThreadNotice(PVOID, DWORD reason, PVOID) {
    if (reason != DLL_THREAD_ATTACH) return;
    if (const HANDLE event = g_attachSeen.load()) ::SetEvent(event);
}

}  // namespace

// The loader calls every callback in the .CRT$XL* sections for each thread that attaches.
extern "C" __attribute__((section(".CRT$XLY"), used))
const PIMAGE_TLS_CALLBACK quillon_thread_notice = OnThreadNotice;

int main(int argc, char** argv) {
    const HANDLE attached = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_attachSeen = attached;
    {
        // The main thread's first use of the registry: GoogleTest starts its thread now.
        testing::ScopedTrace registerMainThread(__FILE__, __LINE__, "main");
    }
    // Nothing else of this program has started a thread yet: the attach is GoogleTest's.
    ::WaitForSingleObject(attached, INFINITE);
    g_attachSeen = nullptr;
    ::CloseHandle(attached);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
