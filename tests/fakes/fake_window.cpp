#include "tests/fakes/fake_window.h"

#include "app/session.h"
#include "app/shared_state.h"

namespace {

pthread_mutex_t FakeMutex = PTHREAD_MUTEX_INITIALIZER;
PostedMessage Posts[FakePostCapacity]; // under FakeMutex
int PostCount = 0;                     // under FakeMutex
int InvalidateCount = 0;               // under FakeMutex
int PostsUnderLock = 0;                // under FakeMutex
bool Visible = false;                  // under FakeMutex
char WindowIdentity;

} // namespace

HWND FakeWindowHandle() { return reinterpret_cast<HWND>(&WindowIdentity); }

void ResetFakeWindow()
{
    pthread_mutex_lock(&FakeMutex);
    PostCount = 0;
    InvalidateCount = 0;
    PostsUnderLock = 0;
    Visible = false;
    pthread_mutex_unlock(&FakeMutex);
}

bool AtActiveConsole() { return true; }

void SetFakeWindowVisible(bool visible)
{
    pthread_mutex_lock(&FakeMutex);
    Visible = visible;
    pthread_mutex_unlock(&FakeMutex);
}

int FakePostCount()
{
    pthread_mutex_lock(&FakeMutex);
    const int count = PostCount;
    pthread_mutex_unlock(&FakeMutex);
    return count;
}

PostedMessage FakePosted(int index)
{
    pthread_mutex_lock(&FakeMutex);
    PostedMessage message = index >= 0 && index < PostCount ? Posts[index] : PostedMessage{};
    pthread_mutex_unlock(&FakeMutex);
    return message;
}

int FakePostsUnderStatusLock()
{
    pthread_mutex_lock(&FakeMutex);
    const int count = PostsUnderLock;
    pthread_mutex_unlock(&FakeMutex);
    return count;
}

bool StatusLockHeld()
{
    if (pthread_rwlock_trywrlock(&StatusLock) != 0) return true;
    pthread_rwlock_unlock(&StatusLock);
    return false;
}

int FakeInvalidateCount()
{
    pthread_mutex_lock(&FakeMutex);
    const int count = InvalidateCount;
    pthread_mutex_unlock(&FakeMutex);
    return count;
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (window != FakeWindowHandle()) return FALSE;
    const bool underLock = StatusLockHeld();
    pthread_mutex_lock(&FakeMutex);
    if (underLock) ++PostsUnderLock;
    const bool stored = PostCount < FakePostCapacity;
    if (stored) Posts[PostCount++] = {window, message, wParam, lParam, GetTickCount()};
    pthread_mutex_unlock(&FakeMutex);
    return stored;
}

BOOL InvalidateRect(HWND window, const RECT*, BOOL)
{
    if (window != FakeWindowHandle()) return FALSE;
    pthread_mutex_lock(&FakeMutex);
    ++InvalidateCount;
    pthread_mutex_unlock(&FakeMutex);
    return TRUE;
}

BOOL IsWindowVisible(HWND window)
{
    pthread_mutex_lock(&FakeMutex);
    const bool visible = window == FakeWindowHandle() && Visible;
    pthread_mutex_unlock(&FakeMutex);
    return visible;
}
