#pragma once
// The panel's own event loops running now, on the UI thread: the wait for the SDK's stopClient and
// releaseClient, and the message box of a failed step. Whatever they process (a script, a timer, the user's
// next command) runs with panel code below it on the UI thread's stack, so the module must not be unloaded
// from there: its code would be gone when those loops return.

namespace orvane {
namespace panel {

int nestedEventLoops();

// Counts one such loop for its scope. UI thread only.
class NestedEventLoop {
public:
    NestedEventLoop();
    ~NestedEventLoop();

private:
    NestedEventLoop(const NestedEventLoop&);
    NestedEventLoop& operator=(const NestedEventLoop&);
};

}  // namespace panel
}  // namespace orvane
