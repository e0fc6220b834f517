#include "net/ConnectionCost.h"

#include "support/WinHandles.h"

#include <windows.h>

#include <netlistmgr.h>
#include <objbase.h>

namespace {

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
        UniqueComInterface<INetworkCostManager> manager;
        if (FAILED(CoCreateInstance(CLSID_NetworkListManager, nullptr, CLSCTX_ALL, IID_INetworkCostManager,
                                    reinterpret_cast<void**>(manager.Out()))) ||
            !manager) {
            return false;
        }
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
