// A 32-bit Windows host program for zorapi.dll, run under Wine by
// scripts/test-windows.
//
//   zorapi_host.exe DLL REFUSED_ENDPOINT
//
// It loads the DLL the way a host does (LoadLibraryW), reads the DLL's own
// export and import tables, finds each export by name and by ordinal, and
// calls every export through a stdcall pointer from a small assembler
// thunk that checks the callee removed exactly its arguments and kept the
// callee-saved registers, at every stack alignment.
//
// The end-to-end scenarios talk to tests/windows/peer.py, which the
// environment variable ZORAPI_ENDPOINT names when the program starts.
// REFUSED_ENDPOINT is a loopback URL whose port has no listener; the
// library reads ZORAPI_ENDPOINT when it is loaded, so the program reloads
// the DLL with that endpoint for the refused-connection scenario.
//
// Prints one line per check and exits with 1 when any check failed.
#include <windows.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// Checks

int gFailures = 0;

void Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  if (!ok) ++gFailures;
}

// A wide text as printable ASCII, non-ASCII units as \uXXXX.
std::string Shown(const wchar_t* text) {
  if (text == nullptr) return "(null)";
  std::string out = "\"";
  for (const wchar_t* p = text; *p; ++p) {
    const auto c = static_cast<unsigned>(static_cast<std::uint16_t>(*p));
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04X", c);
      out += buf;
    }
  }
  return out + "\"";
}

std::string Narrow(const std::wstring& text) { return Shown(text.c_str()); }

// ---------------------------------------------------------------------------
// Calls through stdcall pointers, measured

struct CallRecord {
  std::uint32_t result;      // EAX after the call
  std::int32_t espDelta;     // ESP after the call minus ESP before the pushes
  std::uint32_t ebx, esi, edi;  // callee-saved registers after the call
  std::uint32_t esiBefore, ediBefore;
};

constexpr std::uint32_t kEbxCanary = 0x5A5A1234;

}  // namespace

// Pushes COUNT 32-bit arguments right to left onto a stack lowered by SKEW
// bytes, calls FN, and records EAX, the movement of ESP across the call and
// the callee-saved registers. A stdcall callee leaves ESP where it was
// before the pushes; a cdecl one would leave it 4 * COUNT bytes lower.
extern "C" void MeasuredCall(const void* fn, const std::uint32_t* args, std::uint32_t count,
                             std::uint32_t skew, CallRecord* out);
asm(R"(
    .text
    .globl _MeasuredCall
_MeasuredCall:
    pushl %ebp
    movl  %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl  8(%ebp), %eax
    movl  12(%ebp), %esi
    movl  16(%ebp), %ecx
    subl  20(%ebp), %esp
    movl  %esp, %edi
    movl  24(%ebp), %edx
    movl  %esi, 20(%edx)
    movl  %edi, 24(%edx)
    movl  $0x5A5A1234, %ebx
1:
    testl %ecx, %ecx
    jz    2f
    decl  %ecx
    pushl (%esi,%ecx,4)
    jmp   1b
2:
    call  *%eax
    movl  24(%ebp), %ecx
    movl  %eax, 0(%ecx)
    movl  %esp, %edx
    subl  %edi, %edx
    movl  %edx, 4(%ecx)
    movl  %ebx, 8(%ecx)
    movl  %esi, 12(%ecx)
    movl  %edi, 16(%ecx)
    leal  -12(%ebp), %esp
    popl  %edi
    popl  %esi
    popl  %ebx
    popl  %ebp
    ret
)");

namespace {

// The thunk itself must tell the two conventions apart.
extern "C" std::uint32_t __stdcall PopsItsArguments(std::uint32_t a, std::uint32_t b) { return a + b; }
extern "C" std::uint32_t __cdecl LeavesItsArguments(std::uint32_t a, std::uint32_t b) { return a - b; }

void CheckThunk() {
  const std::uint32_t args[2] = {7, 5};
  CallRecord std{}, c{};
  MeasuredCall(reinterpret_cast<const void*>(&PopsItsArguments), args, 2, 4, &std);
  MeasuredCall(reinterpret_cast<const void*>(&LeavesItsArguments), args, 2, 4, &c);
  Check(std.result == 12 && std.espDelta == 0 && c.result == 2 && c.espDelta == -8,
        "the measuring thunk sees a stdcall callee pop 8 bytes and a cdecl callee pop none");
}

struct Export {
  const char* name;
  WORD ordinal;
  std::uint32_t argumentCount;
};

constexpr Export kReplace{"replaceEveryonesFavorites", 1, 4};
constexpr Export kIdentify{"identifySynonyms", 2, 3};
constexpr Export kLogin{"zorlogin", 3, 2};
constexpr Export kExports[] = {kReplace, kIdentify, kLogin};

std::uint32_t Arg(const wchar_t* p) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p)); }
std::uint32_t Arg(std::int32_t v) { return static_cast<std::uint32_t>(v); }

// One loaded copy of the DLL with its three entry points.
class Library {
 public:
  explicit Library(const std::wstring& path) : FModule(LoadLibraryW(path.c_str())) {
    if (FModule == nullptr) return;
    for (const Export& e : kExports) FEntry[e.ordinal] = GetProcAddress(FModule, e.name);
  }
  ~Library() { Unload(); }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  bool Loaded() const { return FModule != nullptr; }
  HMODULE Module() const { return FModule; }
  const void* Entry(const Export& e) const { return reinterpret_cast<const void*>(FEntry.at(e.ordinal)); }
  bool Unload() {
    if (FModule == nullptr) return true;
    const bool ok = FreeLibrary(FModule) != 0;
    FModule = nullptr;
    return ok;
  }

  // Calls an export at every alignment of the stack, checks the calling
  // convention each time, and returns the result of the last call copied.
  std::wstring Call(const Export& e, const std::vector<std::uint32_t>& args, const wchar_t** raw = nullptr) {
    bool abiKept = true;
    const wchar_t* result = nullptr;
    for (std::uint32_t skew : {0u, 4u, 8u, 12u}) {
      CallRecord r{};
      MeasuredCall(Entry(e), args.data(), static_cast<std::uint32_t>(args.size()), skew, &r);
      abiKept = abiKept && r.espDelta == 0 && r.ebx == kEbxCanary && r.esi == r.esiBefore && r.edi == r.ediBefore;
      if (r.espDelta != 0)
        std::printf("     %s: ESP moved by %d bytes across the call\n", e.name, static_cast<int>(r.espDelta));
      result = reinterpret_cast<const wchar_t*>(static_cast<std::uintptr_t>(r.result));
      if (result == nullptr) break;
    }
    Check(abiKept, std::string(e.name) + ": callee pops " + std::to_string(4 * args.size()) +
                       " bytes and keeps EBX, ESI, EDI at stack offsets 0, 4, 8, 12");
    Check(result != nullptr, std::string(e.name) + ": result is never null");
    if (raw) *raw = result;
    return result ? std::wstring(result) : std::wstring();
  }

  std::wstring Login(const wchar_t* user, const wchar_t* password) {
    return Call(kLogin, {Arg(user), Arg(password)});
  }
  std::wstring Identify(const wchar_t* session, const wchar_t* text, std::int32_t maxsyns,
                        const wchar_t** raw = nullptr) {
    return Call(kIdentify, {Arg(session), Arg(text), Arg(maxsyns)}, raw);
  }
  std::wstring Replace(const wchar_t* session, const wchar_t* text, std::int32_t maxsyns, std::int32_t quality) {
    return Call(kReplace, {Arg(session), Arg(text), Arg(maxsyns), Arg(quality)});
  }

 private:
  HMODULE FModule;
  std::map<WORD, FARPROC> FEntry;
};

// ---------------------------------------------------------------------------
// The DLL's own tables, read from its image in memory

const IMAGE_NT_HEADERS32* NtHeaders(HMODULE module) {
  const auto* base = reinterpret_cast<const BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  return reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
}

template <class T>
const T* AtRva(HMODULE module, DWORD rva) {
  return reinterpret_cast<const T*>(reinterpret_cast<const BYTE*>(module) + rva);
}

void CheckExportTable(HMODULE module) {
  const auto& dir = NtHeaders(module)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  const auto* exports = AtRva<IMAGE_EXPORT_DIRECTORY>(module, dir.VirtualAddress);
  const auto* names = AtRva<DWORD>(module, exports->AddressOfNames);
  const auto* ordinals = AtRva<WORD>(module, exports->AddressOfNameOrdinals);
  std::map<std::string, DWORD> found;
  for (DWORD i = 0; i < exports->NumberOfNames; ++i)
    found[AtRva<char>(module, names[i])] = exports->Base + ordinals[i];
  std::map<std::string, DWORD> wanted;
  for (const Export& e : kExports) wanted[e.name] = e.ordinal;
  std::string listed;
  for (const auto& [name, ordinal] : found) listed += " " + name + "@" + std::to_string(ordinal);
  std::printf("     export table: base %lu, %lu functions,%s\n", static_cast<unsigned long>(exports->Base),
              static_cast<unsigned long>(exports->NumberOfFunctions), listed.c_str());
  Check(found == wanted && exports->NumberOfFunctions == 3 && exports->Base == 1,
        "export table holds exactly the three undecorated names at ordinals 1, 2, 3");
}

void CheckImportTable(HMODULE module) {
  static const std::set<std::string> kSystem = {"KERNEL32.DLL", "MSVCRT.DLL"};
  const auto& dir = NtHeaders(module)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  std::string listed;
  bool onlySystem = true;
  for (const auto* d = AtRva<IMAGE_IMPORT_DESCRIPTOR>(module, dir.VirtualAddress); d->Name != 0; ++d) {
    std::string name = AtRva<char>(module, d->Name);
    listed += " " + name;
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    onlySystem = onlySystem && kSystem.count(name) == 1;
  }
  std::printf("     import table:%s\n", listed.c_str());
  Check(onlySystem, "imports only system DLLs (WS2_32.DLL is loaded at run time, not imported)");
}

void CheckEntryPoints(const Library& lib) {
  for (const Export& e : kExports) {
    const FARPROC byName = GetProcAddress(lib.Module(), e.name);
    const FARPROC byOrdinal = GetProcAddress(lib.Module(), MAKEINTRESOURCEA(e.ordinal));
    Check(byName != nullptr && byName == byOrdinal,
          std::string(e.name) + " found by name and by ordinal " + std::to_string(e.ordinal) + ", same address");
  }
  const std::string decorated = std::string(kLogin.name) + "@8";
  Check(GetProcAddress(lib.Module(), decorated.c_str()) == nullptr, "no decorated name is exported");
}

// ---------------------------------------------------------------------------
// End-to-end scenarios against the loopback peer

// What tests/windows/peer.py knows and answers.
constexpr const wchar_t* kUser = L" \talice\r\n";                 // sent trimmed
constexpr const wchar_t* kPassword = L"  s\u00E9cret & more ";      // sent trimmed
constexpr const wchar_t* kSession = L"S3ss10n_42";
constexpr const wchar_t* kFailText = L"please fail";

void CheckEqual(const std::wstring& got, const std::wstring& wanted, const std::string& what) {
  Check(got == wanted, what + ": " + Narrow(got) + (got == wanted ? "" : " wanted " + Narrow(wanted)));
}

void ServiceScenarios(Library& lib) {
  CheckEqual(lib.Login(kUser, kPassword), kSession, "login with trimmed user and password gives the session");
  CheckEqual(lib.Login(L"alice", L"wrong"), L"", "login refused by the service gives the empty result");
  CheckEqual(lib.Login(nullptr, nullptr), L"", "login with null arguments gives the empty result");

  // Trimmed on the way out; UTF-16 to UTF-8 and back, a surrogate pair included.
  const wchar_t* text = L"\r\n The quick fox \u2014 na\u00EFve & caf\u00E9 =1+1% \U0001F600\t";
  const std::wstring trimmed = L"The quick fox \u2014 na\u00EFve & caf\u00E9 =1+1% \U0001F600";
  const wchar_t* identified = nullptr;
  CheckEqual(lib.Identify(kSession, text, 3, &identified), L"identifySynonyms[" + trimmed + L"]:3",
             "identifySynonyms gives the output element");
  CheckEqual(lib.Replace(kSession, text, -1, 0), L"replaceEveryonesFavorites[" + trimmed + L"]:-1:0",
             "replaceEveryonesFavorites gives the output element");
  Check(identified != nullptr && std::wstring(identified) == L"identifySynonyms[" + trimmed + L"]:3",
        "identifySynonyms result still readable after another operation's call");

  CheckEqual(lib.Identify(kSession, kFailText, 3), L"", "error status 500 gives the empty result");
  CheckEqual(lib.Replace(L"not-a-session", L"x", 1, 1), L"", "error status 403 gives the empty result");
  CheckEqual(lib.Identify(kSession, L"again", 2), L"identifySynonyms[again]:2",
             "after an error reply the next call works");
}

// Under an endpoint whose port has no listener.
void RefusedScenario(Library& lib) {
  const ULONGLONG start = GetTickCount64();
  CheckEqual(lib.Login(L"alice", L"secret"), L"", "refused connection gives the empty result");
  CheckEqual(lib.Identify(kSession, L"x", 1), L"", "refused connection, text operation");
  const ULONGLONG elapsed = GetTickCount64() - start;
  Check(elapsed < 25000, "refused connection fails without waiting out the connect limit (" +
                             std::to_string(elapsed) + " ms for both)");
}

// The host itself never loads Windows Sockets; only the DLL does.
bool WinsockLoaded() { return GetModuleHandleW(L"ws2_32.dll") != nullptr; }

bool DllMapped(const std::wstring& dll) {
  const std::size_t slash = dll.find_last_of(L"\\/");
  return GetModuleHandleW(dll.substr(slash == std::wstring::npos ? 0 : slash + 1).c_str()) != nullptr;
}

// A thread that called into the library and ends only after the host has
// unloaded it: nothing of the DLL may be left to run at that thread's end,
// and nothing may keep the DLL loaded for it.
struct ThreadScenario {
  Library* lib;
  HANDLE called;    // set by the thread once its call has returned
  HANDLE unloaded;  // set by the main thread after FreeLibrary
};

DWORD WINAPI CallThenWait(void* param) {
  auto* s = static_cast<ThreadScenario*>(param);
  s->lib->Login(nullptr, nullptr);
  SetEvent(s->called);
  WaitForSingleObject(s->unloaded, 30000);
  return 7;
}

void ThreadOutlivesUnload(const std::wstring& dll) {
  Library lib(dll);
  Check(lib.Loaded(), "loaded again for the thread scenario");
  if (!lib.Loaded()) return;
  ThreadScenario s{&lib, CreateEventW(nullptr, TRUE, FALSE, nullptr), CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  HANDLE thread = CreateThread(nullptr, 0, CallThenWait, &s, 0, nullptr);
  const bool called = WaitForSingleObject(s.called, 30000) == WAIT_OBJECT_0;
  Check(called, "a second thread called the library");
  Check(called && lib.Unload() && !DllMapped(dll) && !WinsockLoaded(),
        "FreeLibrary unloads the DLL and WS2_32.DLL while that thread is alive");
  SetEvent(s.unloaded);
  DWORD code = 0;
  const bool ended = WaitForSingleObject(thread, 30000) == WAIT_OBJECT_0 && GetExitCodeThread(thread, &code);
  Check(ended && code == 7, "that thread ends normally after the unload");
  CloseHandle(thread);
  CloseHandle(s.called);
  CloseHandle(s.unloaded);
}

std::wstring Environment(const wchar_t* name) {
  wchar_t buf[1024];
  const DWORD n = GetEnvironmentVariableW(name, buf, 1024);
  return n > 0 && n < 1024 ? std::wstring(buf, n) : std::wstring();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: zorapi_host DLL REFUSED_ENDPOINT\n");
    return 2;
  }
  std::setvbuf(stdout, nullptr, _IONBF, 0);  // every line out at once, also when a step hangs
  const std::wstring dll = argv[1], refused = argv[2];
  const std::wstring peer = Environment(L"ZORAPI_ENDPOINT");
  CheckThunk();
  std::printf("     peer endpoint %s, refused endpoint %s\n", Narrow(peer).c_str(), Narrow(refused).c_str());

  {
    Library lib(dll);
    Check(lib.Loaded(), "LoadLibraryW " + Narrow(dll));
    if (!lib.Loaded()) return 1;
    Check(lib.Unload() && !DllMapped(dll), "FreeLibrary without any call unloads the DLL");
  }
  {
    Library lib(dll);
    if (!lib.Loaded()) return 1;
    Check(!WinsockLoaded(), "WS2_32.DLL not loaded inside DllMain: its start waits for the first call");
    CheckExportTable(lib.Module());
    CheckImportTable(lib.Module());
    CheckEntryPoints(lib);
    ServiceScenarios(lib);
    Check(WinsockLoaded(), "WS2_32.DLL loaded by the first call that reached the network");
    Check(lib.Unload() && !DllMapped(dll), "FreeLibrary unloads the DLL");
    Check(!WinsockLoaded(), "WS2_32.DLL unloaded with it: the socket library was stopped");
  }
  {
    SetEnvironmentVariableW(L"ZORAPI_ENDPOINT", refused.c_str());
    Library lib(dll);
    Check(lib.Loaded(), "loaded again with the refused endpoint");
    if (lib.Loaded()) RefusedScenario(lib);
    {
      Library second(dll);  // a second reference to the same module
      Check(second.Loaded() && second.Module() == lib.Module(), "a second LoadLibraryW gives the same module");
    }
    Check(lib.Unload() && !DllMapped(dll) && !WinsockLoaded(), "FreeLibrary unloads the DLL and WS2_32.DLL");
  }
  ThreadOutlivesUnload(dll);

  std::printf("%s: %d failed\n", gFailures ? "FAILED" : "PASSED", gFailures);
  return gFailures ? 1 : 0;
}
