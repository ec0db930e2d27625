// Windows Firewall exceptions of the product removed: its open ports and its authorised
// programs in the current profile. The firewall reports nothing back to the uninstaller: an
// exception that cannot be removed (the service is off, the exception is gone) is passed over.
#include <windows.h>
// windows.h first
#include <netfw.h>
#include <objbase.h>

#include <string>

#include "base/system_library_win.h"
#include "base/text_win.h"
#include "core/target_path.h"
#include "integration/firewall_rule.h"
#include "integration/integration_removal_win.h"
#include "integration/path_variables_win.h"

namespace qs {
namespace {

// HNetCfg.FwMgr
constexpr CLSID kFirewallManager = {
    0x304CE942, 0x6E39, 0x40D8, {0x94, 0x3A, 0xB9, 0x13, 0xC4, 0x0C, 0x9C, 0xD4}};

// Owns one interface reference.
template <typename Interface>
class ComReference {
 public:
  ComReference() = default;
  ~ComReference() {
    if (pointer_ != nullptr) pointer_->Release();
  }
  ComReference(const ComReference&) = delete;
  ComReference& operator=(const ComReference&) = delete;

  Interface* Get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  Interface** Receive() { return &pointer_; }
  void** ReceiveVoid() { return reinterpret_cast<void**>(&pointer_); }

 private:
  Interface* pointer_ = nullptr;
};

// The BSTR functions of oleaut32, which the program does not link.
class BstrLibrary {
 public:
  using Allocate = BSTR(WINAPI*)(const OLECHAR*);
  using Free = void(WINAPI*)(BSTR);

  BstrLibrary() : module_(LoadSystemLibrary(L"oleaut32.dll")) {
    allocate_ = LibraryFunction<Allocate>(module_, "SysAllocString");
    free_ = LibraryFunction<Free>(module_, "SysFreeString");
  }
  bool Ready() const { return allocate_ != nullptr && free_ != nullptr; }
  BSTR Make(const std::wstring& text) const { return allocate_(text.c_str()); }
  void Release(BSTR text) const { free_(text); }

 private:
  UniqueModule module_;
  Allocate allocate_ = nullptr;
  Free free_ = nullptr;
};

// COM for the length of one call; an apartment that is already there is used as it is.
class ComApartment {
 public:
  ComApartment() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  HRESULT result_;
};

bool OpenCurrentProfile(ComReference<INetFwProfile>& profile) {
  ComReference<INetFwMgr> manager;
  if (FAILED(::CoCreateInstance(kFirewallManager, nullptr, CLSCTX_INPROC_SERVER,
                                __uuidof(INetFwMgr), manager.ReceiveVoid())) ||
      !manager) {
    return false;
  }
  ComReference<INetFwPolicy> policy;
  if (FAILED(manager->get_LocalPolicy(policy.Receive())) || !policy) return false;
  return SUCCEEDED(policy->get_CurrentProfile(profile.Receive())) && profile;
}

void RemovePort(INetFwProfile* profile, const FirewallRule& rule) {
  ComReference<INetFwOpenPorts> ports;
  if (FAILED(profile->get_GloballyOpenPorts(ports.Receive())) || !ports) return;
  if (rule.protocols & kFirewallTcp) ports->Remove(*rule.port, NET_FW_IP_PROTOCOL_TCP);
  if (rule.protocols & kFirewallUdp) ports->Remove(*rule.port, NET_FW_IP_PROTOCOL_UDP);
}

void RemoveProgram(INetFwProfile* profile, const BstrLibrary& bstr, const FirewallRule& rule,
                   std::u16string_view installDir) {
  std::u16string path = ExpandPathVariables(U16(rule.target));
  if (path.empty()) return;
  if (!IsRootedPath(path)) path = JoinPath(installDir, path);
  ComReference<INetFwAuthorizedApplications> programs;
  if (FAILED(profile->get_AuthorizedApplications(programs.Receive())) || !programs) return;
  BSTR image = bstr.Make(std::wstring(AsWide(path)));
  if (image == nullptr) return;
  programs->Remove(image);
  bstr.Release(image);
}

}  // namespace

void RemoveFirewallExceptions(const std::vector<std::string>& firewallLines,
                              std::u16string_view installDir) {
  if (firewallLines.empty()) return;
  ComApartment apartment;
  ComReference<INetFwProfile> profile;
  if (!OpenCurrentProfile(profile)) return;
  const BstrLibrary bstr;
  for (const std::string& line : firewallLines) {
    std::optional<FirewallRule> rule = ParseFirewallRule(line);
    if (!rule) continue;
    if (rule->port) {
      RemovePort(profile.Get(), *rule);
    } else if (bstr.Ready()) {
      RemoveProgram(profile.Get(), bstr, *rule, installDir);
    }
  }
}

}  // namespace qs
