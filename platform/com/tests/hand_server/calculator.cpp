#include "calculator.h"

#include "hand_server.h"

#include "com/hresults.h"

#include <atomic>

namespace hand_server {

namespace {

std::atomic<long> g_activeObjectsAndLocks{0};

class Calculator final : public IHandCalculator {
public:
    Calculator() { g_activeObjectsAndLocks++; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (riid == IID_IUnknown || riid == com::uuidof<IHandCalculator>()) {
            *object = static_cast<IHandCalculator*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE Add(LONG a, LONG b, LONG* sum) override {
        if (!sum) return E_POINTER;
        *sum = a + b;
        return S_OK;
    }

private:
    ~Calculator() { g_activeObjectsAndLocks--; }

    std::atomic<ULONG> references_{1};
};

class CalculatorFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        Calculator* calculator = new Calculator;
        HRESULT hr = calculator->QueryInterface(riid, object);
        calculator->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        g_activeObjectsAndLocks += lock ? 1 : -1;
        return S_OK;
    }

private:
    ~CalculatorFactory() = default;

    std::atomic<ULONG> references_{1};
};

}  // namespace

long ActiveObjectsAndLocks() { return g_activeObjectsAndLocks; }

IClassFactory* NewCalculatorFactory() { return new CalculatorFactory; }

}  // namespace hand_server
