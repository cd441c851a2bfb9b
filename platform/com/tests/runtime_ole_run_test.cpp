#include "com/runnable.h"

#include <gtest/gtest.h>

namespace {

// An object that may or may not be runnable, counting what it is asked.
class Object final : public IRunnableObject {
public:
    Object(bool runnable, HRESULT runResult) : runnable_(runnable), runResult_(runResult) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (riid == IID_IRunnableObject) askedForRunnable++;
        if (riid == IID_IUnknown || (runnable_ && riid == IID_IRunnableObject)) {
            *object = static_cast<IRunnableObject*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE GetRunningClass(LPCLSID) override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Run(LPBINDCTX bindContext) override {
        runs++;
        EXPECT_EQ(bindContext, nullptr);
        return runResult_;
    }
    BOOL STDMETHODCALLTYPE IsRunning() override { return runs > 0; }
    HRESULT STDMETHODCALLTYPE LockRunning(BOOL, BOOL) override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE SetContainedObject(BOOL) override { return E_UNEXPECTED; }

    ULONG references = 1;
    int askedForRunnable = 0;
    int runs = 0;

private:
    bool runnable_;
    HRESULT runResult_;
};

TEST(RuntimeOleRunTest, RunsRunnableObjectsAndTakesOthersAsRunning) {
    struct Case {
        bool runnable;
        HRESULT runResult;
        HRESULT expected;
        int expectedRuns;
    };
    for (Case c : {Case{false, E_FAIL, S_OK, 0}, Case{true, S_OK, S_OK, 1}, Case{true, S_FALSE, S_FALSE, 1},
                   Case{true, E_OUTOFMEMORY, E_OUTOFMEMORY, 1}}) {
        Object object(c.runnable, c.runResult);
        EXPECT_EQ(OleRun(&object), c.expected);
        EXPECT_EQ(object.askedForRunnable, 1);
        EXPECT_EQ(object.runs, c.expectedRuns);
        EXPECT_EQ(object.references, 1u);  // every reference taken was given back
    }
    EXPECT_EQ(OleRun(nullptr), E_INVALIDARG);
}

}  // namespace
