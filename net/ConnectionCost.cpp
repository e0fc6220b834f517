#include "net/ConnectionCost.h"

#include "support/UniqueResource.h"

#include <windows.h>

#include <netlistmgr.h>
#include <objbase.h>

namespace {

// COM on the asking thread: held when this thread's start of it succeeded, and then undone once.
struct ComThreadTraits {
    using Value = bool;
    static Value Invalid() noexcept { return false; }
    static void Close(Value) noexcept { CoUninitialize(); }
};
using UniqueComThread = UniqueResource<ComThreadTraits>;

template <class Interface>
struct ComInterfaceTraits {
    using Value = Interface*;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value v) noexcept { v->Release(); }
};
template <class Interface>
using UniqueComInterface = UniqueResource<ComInterfaceTraits<Interface>>;

// A cost that the plan charges by (variable, or fixed with a cap), or one that has gone over its cap or
// roams, costs the user money for every byte: metered. Unrestricted and unknown costs are not; nor is a
// congested connection, which is slow but not dear.
bool IsMeteredCost(DWORD cost) {
    const DWORD dear = NLM_CONNECTION_COST_VARIABLE | NLM_CONNECTION_COST_FIXED | NLM_CONNECTION_COST_OVERDATALIMIT |
                       NLM_CONNECTION_COST_ROAMING;
    return (cost & dear) != 0;
}

class SystemCost : public ConnectionCost {
public:
    bool IsMetered() const override {
        // Every start that succeeds, also one that finds COM already there, is undone once, after the manager
        // has gone; a thread that has COM in the other model asks as it is.
        const HRESULT started = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        const UniqueComThread com(SUCCEEDED(started));
        if (FAILED(started) && started != RPC_E_CHANGED_MODE) {
            return false;
        }
        // Before Windows 8 the list manager has no cost interface, and Wine may have neither.
        INetworkCostManager* made = nullptr;
        if (FAILED(CoCreateInstance(CLSID_NetworkListManager, nullptr, CLSCTX_ALL, IID_INetworkCostManager,
                                    reinterpret_cast<void**>(&made))) ||
            made == nullptr) {
            return false;
        }
        const UniqueComInterface<INetworkCostManager> manager(made);
        // No destination: the cost of the machine's connection to the internet as a whole.
        DWORD cost = NLM_CONNECTION_COST_UNKNOWN;
        if (FAILED(manager.Get()->GetCost(&cost, nullptr))) {
            return false;
        }
        return IsMeteredCost(cost);
    }
};

} // namespace

std::unique_ptr<ConnectionCost> SystemConnectionCost() { return std::make_unique<SystemCost>(); }
