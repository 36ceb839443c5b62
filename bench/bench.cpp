// The benchmark: the real paste path against the floor of one raw
// EM_REPLACESEL to the same editor, the bridge's whole-text transfer, and
// start-up against a minimal window. Every figure is measured in this run,
// repeated, and reported as median with its spread (min..max).
//
//   bench.exe [--csv FILE] [--quick] [--only paste|memory|text|startup|utf8]
//             [--startup-runs N]
// Run as bench_win98.exe, Wine reports the 9x family and the 9x paths run.
// A run with --only writes its table to bench-<family>-<part>.csv, so that
// it never overwrites the full run's table. --startup-runs sets how many
// pairs of starts the start-up rows take (15, or 5 with --quick).
#include "app/file_encoding.h"
#include "app/frm_quillbay.h"
#include "platform/code_page.h"
#include "platform/file_access.h"
#include "platform/handles.h"
#include "platform/programs.h"
#include "platform/system_version.h"
#include "platform/unicode.h"
#include "support/standin_driver.h"
#include "tests/app/data_object.h"

#include <psapi.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using testsupport::StandIn;
using testsupport::StandInOptions;
using testsupport::TempDir;

struct Stats {
    double median = 0, min = 0, max = 0; // milliseconds
};

Stats Summarize(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.front(), values.back()};
}

Stats Measure(int repeats, const std::function<void()>& setup, const std::function<void()>& run)
{
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
        setup();
        const auto start = std::chrono::steady_clock::now();
        run();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return Summarize(std::move(times));
}

std::string Family()
{
    return RunsOnNtFamily() ? "NT" : "9x";
}

// Japanese text in code page 932, cut to exactly n bytes on a character boundary.
std::string JapaneseText(std::size_t n)
{
    const std::string line = platform::ToAnsi(L"あいうえお、かきくけこ。Quillbay 123\r\n");
    std::string text;
    text.reserve(n + line.size());
    while (text.size() < n) text += line;
    text.resize(platform::CompleteCharsPrefix(text, n));
    while (text.size() < n) text += 'x';
    return text;
}

std::string SizeName(std::size_t n)
{
    if (n >= (1u << 20)) return std::to_string(n >> 20) + " MB";
    return std::to_string(n >> 10) + " KB";
}

struct Row {
    std::string family, what, size;
    Stats stats;
    std::string extra;
};

std::vector<Row> g_rows;

void Report(const std::string& what, std::size_t size, const Stats& stats, const std::string& extra = {})
{
    g_rows.push_back({Family(), what, size ? SizeName(size) : "", stats, extra});
    std::printf("%-3s %-34s %-6s %10.2f ms  (%.2f .. %.2f)  %s\n", Family().c_str(), what.c_str(),
                size ? SizeName(size).c_str() : "", stats.median, stats.min, stats.max, extra.c_str());
    std::fflush(stdout);
}

std::string Fixed(double value, int digits = 2)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", digits, value);
    return buffer;
}

std::wstring SettingsPath()
{
    return platform::ExecutableFolder() + L"\\" + platform::ExecutableBaseName() + L".ini";
}

// The real window on a fresh bridge (capturing the editor in front), its
// boxes answered at once, with file dropped through the drop target's handler.
frmQuillbay::Options QuietOptions()
{
    frmQuillbay::Options options;
    options.showMessage = [](HWND, const std::wstring&, const std::wstring&, UINT) { return IDOK; };
    options.endsProgram = false;
    return options;
}

void LoadAndDrop(frmQuillbay& window, const std::wstring& file)
{
    window.Load();
    ::DeleteFileW(SettingsPath().c_str());
    IDataObject* data = apptest::DataObject::Files({file});
    window.lstFiles_OLEDragDrop(data);
    data->Release();
}

// --- the paste against its floor ------------------------------------------------

void BenchPaste(std::size_t size, int repeats)
{
    TempDir folder;
    const std::string bytes = JapaneseText(size);
    const std::wstring file = folder / L"paste.txt";
    testsupport::WriteFileBytes(file, bytes);
    const std::string document = "document\r\n";

    StandIn editor;
    clsKestTeraPad bridge;
    frmQuillbay window(bridge, QuietOptions());
    LoadAndDrop(window, file);

    const auto resetEditor = [&] {
        editor.SetDocument(document);
        editor.SetSelection(4, 4);
    };

    // The floor: the same bytes in raw EM_REPLACESEL, no file and no
    // conversion: one message, or under Wine 64 KB ones, the most an editor
    // with an ordinary 1 MB stack survives with room (see ReplacementPiece).
    // Floor and paste take turns within each round, so that a slow spell of
    // the machine weighs on both; each ratio is taken within its round.
    const std::size_t floorPiece = platform::RunsUnderWine() ? kWineReplacementPiece : bytes.size();
    std::string floorBytes = bytes;
    const auto sendFloor = [&] {
        for (std::size_t begin = 0; begin < floorBytes.size(); begin += floorPiece) {
            const std::size_t end = std::min(floorBytes.size(), begin + floorPiece);
            const char kept = floorBytes[end];
            floorBytes[end] = '\0';
            ::SendMessageA(editor.EditControl(), EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(floorBytes.data() + begin));
            floorBytes[end] = kept;
        }
    };
    const auto timed = [](const std::function<void()>& run) {
        const auto start = std::chrono::steady_clock::now();
        run();
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    };
    std::vector<double> floorTimes, pasteTimes[2], ratios[2];
    long long crossed[2] = {};
    std::size_t messages[2] = {};
    bool right[2] = {true, true};
    for (int round = 0; round < repeats; ++round) {
        resetEditor();
        const double floorTime = timed(sendFloor);
        floorTimes.push_back(floorTime);
        for (int mode : {0, 1}) {
            ::SendMessageW(::GetDlgItem(window.hwnd(), frmQuillbay::kCboMode), CB_SETCURSEL, mode, 0);
            resetEditor();
            editor.ClearLog();
            const long long before = editor.State().receivedBytes;
            const double pasteTime = timed([&] { window.cmdExec_Click(); });
            pasteTimes[mode].push_back(pasteTime);
            ratios[mode].push_back(pasteTime / std::max(floorTime, 0.001));
            crossed[mode] = editor.State().receivedBytes - before;
            messages[mode] = editor.Log().size();
            right[mode] = right[mode] && (mode == 0 ? editor.Document() == "docu" + bytes + "ment\r\n"
                                                    : editor.Document() == document + bytes);
        }
    }
    Report(floorPiece < bytes.size() ? "floor: raw EM_REPLACESEL, 64 KB each" : "floor: one EM_REPLACESEL", size,
           Summarize(floorTimes));
    for (int mode : {0, 1}) {
        const Stats ratio = Summarize(ratios[mode]);
        Report(mode == 0 ? "paste at the cursor" : "paste at the end", size, Summarize(pasteTimes[mode]),
               "x" + Fixed(ratio.median) + " floor (" + Fixed(ratio.min) + " .. " + Fixed(ratio.max) + "), " +
                   Fixed(static_cast<double>(crossed[mode]) / static_cast<double>(size)) + " B crossed/B, " +
                   std::to_string(messages[mode]) + " msgs" + (right[mode] ? "" : ", WRONG RESULT"));
    }

    // Where the paste's time goes beyond the floor: its steps one by one.
    std::string read;
    const Stats reading = Measure(repeats, [] {}, [&] { read = platform::ReadWholeFile(file); });
    Report("  step: read the file", size, reading);
    const Stats checking = Measure(repeats, [&] { read = bytes; }, [&] { read = platform::RoundTripAnsi(std::move(read)); });
    Report("  step: code page round trip", size, checking, read == bytes ? "" : "WRONG RESULT");
    const Stats sending = Measure(repeats, [&] { resetEditor(); read = bytes; },
                                  [&] { bridge.SelTextAnsi(std::move(read)); });
    Report("  step: bridge SelText", size, sending);
    window.Unload();
    ::DeleteFileW(SettingsPath().c_str());
}


// --- a UTF-8 file against the same text in ANSI -------------------------------------

std::wstring WideOf(UINT codePage, const std::string& bytes)
{
    std::wstring text(bytes.size(), L'\0');
    const int length = ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                                             static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return text;
}

std::string BytesOf(UINT codePage, const std::wstring& text)
{
    std::string bytes(text.size() * 4, '\0');
    const int length = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                                             static_cast<int>(bytes.size()), nullptr, nullptr);
    bytes.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return bytes;
}

void Choose(HWND list, int entry)
{
    ::SendMessageW(list, LB_SETSEL, FALSE, -1);
    ::SendMessageW(list, LB_SETSEL, TRUE, entry);
}

void SetAutoEncoding(HWND window, bool on)
{
    const bool checked =
        (::GetMenuState(::GetSystemMenu(window, FALSE), frmQuillbay::kMnuAutoEncoding, MF_BYCOMMAND) & MF_CHECKED) != 0;
    // As the system menu reports the item chosen.
    if (checked != on) ::SendMessageW(window, WM_SYSCOMMAND, frmQuillbay::kMnuAutoEncoding, 0);
}

// Shift-JIS text in EUC-JP, by the arithmetic JIS X 0208 and Shift-JIS
// share, run backwards; the benchmark checks that the paste gives the
// Shift-JIS text back.
std::string EucOf(const std::string& sjis)
{
    std::string euc;
    euc.reserve(sjis.size() + sjis.size() / 4);
    for (std::size_t i = 0; i < sjis.size(); ++i) {
        const unsigned char first = static_cast<unsigned char>(sjis[i]);
        if (first < 0x80) {
            euc += static_cast<char>(first);
        } else if (first >= 0xA1 && first <= 0xDF) {
            euc += '\x8E';
            euc += static_cast<char>(first);
        } else if (i + 1 < sjis.size()) {
            const unsigned second = static_cast<unsigned char>(sjis[++i]);
            unsigned row = (first <= 0x9F ? first - 0x80 : first - 0xC0) * 2 - 1, cell = 0;
            if (second >= 0x9F) ++row, cell = second - 0x9E;
            else cell = second - (second >= 0x80 ? 0x40 : 0x3F);
            euc += static_cast<char>(row + 0xA0);
            euc += static_cast<char>(cell + 0xA0);
        }
    }
    return euc;
}

// A UTF-8 file of size bytes (文字コードを自動判別 on) and the same text in
// EUC-JP against the same text as an ANSI file (the option off, the paste as
// it always was), all at the cursor, in turns within each round; the ratio
// is taken within the round.
void BenchUtf8Paste(std::size_t size, int repeats)
{
    TempDir folder;
    std::string utf8 = BytesOf(CP_UTF8, platform::FromAnsi(JapaneseText(size)));
    // Cut at a character's start: a UTF-8 continuation byte is 10xxxxxx.
    std::size_t cut = std::min(size, utf8.size());
    while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) --cut;
    utf8.resize(cut);
    while (utf8.size() < size) utf8 += 'x';
    const std::string ansi = BytesOf(CP_ACP, WideOf(CP_UTF8, utf8));
    const std::string euc = EucOf(ansi);
    const std::wstring utf8File = folder / L"utf8.txt", ansiFile = folder / L"ansi.txt", eucFile = folder / L"euc.txt";
    testsupport::WriteFileBytes(utf8File, utf8);
    testsupport::WriteFileBytes(ansiFile, ansi);
    testsupport::WriteFileBytes(eucFile, euc);
    const std::string document = "document\r\n";

    StandIn editor;
    clsKestTeraPad bridge;
    frmQuillbay window(bridge, QuietOptions());
    LoadAndDrop(window, ansiFile);
    IDataObject* data = apptest::DataObject::Files({utf8File, eucFile});
    window.lstFiles_OLEDragDrop(data);
    data->Release();
    HWND list = ::GetDlgItem(window.hwnd(), frmQuillbay::kLstFiles);

    const auto timed = [](const std::function<void()>& run) {
        const auto start = std::chrono::steady_clock::now();
        run();
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    };
    std::vector<double> times[3], added, eucAdded;
    bool right[3] = {true, true, true};
    std::size_t messages[3] = {};
    for (int round = 0; round < repeats; ++round) {
        double took[3] = {};
        for (int entry : {0, 1, 2}) {
            Choose(list, entry);
            SetAutoEncoding(window.hwnd(), entry > 0);
            editor.SetDocument(document);
            editor.SetSelection(4, 4);
            editor.ClearLog();
            took[entry] = timed([&] { window.cmdExec_Click(); });
            times[entry].push_back(took[entry]);
            messages[entry] = editor.Log().size();
            right[entry] = right[entry] && editor.Document() == "docu" + ansi + "ment\r\n";
        }
        added.push_back(took[1] / std::max(took[0], 0.001) - 1.0);
        eucAdded.push_back(took[2] / std::max(took[0], 0.001) - 1.0);
    }
    const Stats more = Summarize(added), eucMore = Summarize(eucAdded);
    Report("paste at the cursor, ANSI file", ansi.size(), Summarize(times[0]),
           "the same text, option off, " + std::to_string(messages[0]) + " msgs" + (right[0] ? "" : ", WRONG RESULT"));
    Report("paste at the cursor, UTF-8 file", size, Summarize(times[1]),
           "option on: +" + Fixed(more.median) + "x the ANSI paste (" + Fixed(more.min) + " .. " + Fixed(more.max) +
               "), " + std::to_string(messages[1]) + " msgs" + (right[1] ? "" : ", WRONG RESULT"));

    // The steps the option adds, and the system's own conversions it does not use.
    std::vector<fileEncoding::LossyFile> lossy;
    std::string converted;
    const Stats deciding = Measure(repeats, [] {}, [&] { (void)fileEncoding::DecideEncoding(utf8); });
    Report("  step: decide (UTF-8 scan)", size, deciding);
    const Stats converting =
        Measure(repeats, [] {}, [&] { converted = platform::UnicodeToAnsi(utf8, platform::UnicodeForm::Utf8).ansi; });
    Report("  step: convert to the code page", size, converting, converted == ansi ? "" : "WRONG RESULT");
    const Stats system = Measure(repeats, [] {}, [&] { converted = BytesOf(CP_ACP, WideOf(CP_UTF8, utf8)); });
    Report("  the system's two conversions", size, system, "for comparison; not used");

    Report("paste at the cursor, EUC-JP file", euc.size(), Summarize(times[2]),
           "option on: +" + Fixed(eucMore.median) + "x the ANSI paste (" + Fixed(eucMore.min) + " .. " +
               Fixed(eucMore.max) + "), " + std::to_string(messages[2]) + " msgs" + (right[2] ? "" : ", WRONG RESULT"));
    // Deciding and converting files of the same size, EUC-JP against UTF-8
    // in turns: what the option costs beyond reading the file. The EUC-JP
    // file holds a third more of the text, in two bytes a character.
    const std::string fullAnsi = JapaneseText(size), fullEuc = EucOf(fullAnsi);
    std::vector<double> utf8Steps, eucSteps, ratios;
    bool eucRight = true;
    for (int round = 0; round < repeats; ++round) {
        const auto start = std::chrono::steady_clock::now();
        std::vector<fileEncoding::LossyFile> none;
        (void)fileEncoding::TextForPaste(utf8File, utf8, none);
        const auto middle = std::chrono::steady_clock::now();
        eucRight = eucRight && fileEncoding::TextForPaste(eucFile, fullEuc, none) == fullAnsi && none.empty();
        const auto end = std::chrono::steady_clock::now();
        utf8Steps.push_back(std::chrono::duration<double, std::milli>(middle - start).count());
        eucSteps.push_back(std::chrono::duration<double, std::milli>(end - middle).count());
        ratios.push_back(eucSteps.back() / std::max(utf8Steps.back(), 0.001));
    }
    const Stats ratio = Summarize(ratios);
    Report("  step: decide and convert, UTF-8", size, Summarize(utf8Steps));
    Report("  step: decide and convert, EUC-JP", fullEuc.size(), Summarize(eucSteps),
           "x" + Fixed(ratio.median) + " the UTF-8 step (" + Fixed(ratio.min) + " .. " + Fixed(ratio.max) + ")" +
               (eucRight ? "" : ", WRONG RESULT"));
    const Stats eucDeciding = Measure(repeats, [] {}, [&] { (void)fileEncoding::DecideEncoding(fullEuc); });
    Report("  step: decide (EUC-JP rule)", fullEuc.size(), eucDeciding,
           fileEncoding::DecideEncoding(fullEuc).encoding == fileEncoding::Encoding::EucJp ? "" : "WRONG RESULT");
    window.Unload();
    ::DeleteFileW(SettingsPath().c_str());
}

// --- peak memory of one paste, in a child process of its own ----------------------

// Runs in the child: loads the window, drops the file, pastes once, and prints
// how far the peak resident memory rose above what it had before the paste.
int MemoryProbe(const std::wstring& file, int mode)
{
    StandIn editor;
    clsKestTeraPad bridge;
    frmQuillbay window(bridge, QuietOptions());
    LoadAndDrop(window, file);
    ::SendMessageW(::GetDlgItem(window.hwnd(), frmQuillbay::kCboMode), CB_SETCURSEL, mode, 0);
    PROCESS_MEMORY_COUNTERS before{};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &before, sizeof before);
    window.cmdExec_Click();
    PROCESS_MEMORY_COUNTERS after{};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &after, sizeof after);
    // Wine reports the peak resident set as PeakWorkingSetSize; its commit
    // charge does not move with heap allocations, so the working set it is.
    const long long extra =
        static_cast<long long>(after.PeakWorkingSetSize) - static_cast<long long>(before.WorkingSetSize);
    std::printf("%lld\n", extra);
    window.Unload();
    ::DeleteFileW(SettingsPath().c_str());
    return 0;
}

long long RunMemoryProbe(const std::wstring& file, int mode)
{
    TempDir folder;
    const std::wstring out = folder / L"out.txt";
    std::wstring commandLine = L"\"" + platform::ExecutablePath() + L"\" --memory-probe \"" + file + L"\" " +
                               std::to_wstring(mode);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    platform::UniqueFile output(::CreateFileW(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output.get();
    startup.hStdError = output.get();
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
        return -1;
    platform::UniqueProcess process(info.hProcess);
    platform::UniqueThread thread(info.hThread);
    ::WaitForSingleObject(process.get(), 600000);
    output.reset();
    return std::atoll(testsupport::ReadFileBytes(out).c_str());
}

void BenchMemory(std::size_t size)
{
    TempDir folder;
    const std::wstring file = folder / L"paste.txt";
    testsupport::WriteFileBytes(file, JapaneseText(size));
    for (int mode : {0, 1}) {
        std::vector<double> perByte;
        for (int i = 0; i < 3; ++i)
            perByte.push_back(static_cast<double>(RunMemoryProbe(file, mode)) / static_cast<double>(size));
        std::sort(perByte.begin(), perByte.end());
        Report(mode == 0 ? "peak extra memory, at the cursor" : "peak extra memory, at the end", size, Stats{},
               Fixed(perByte[1]) + " B/B (" + Fixed(perByte[0]) + " .. " + Fixed(perByte[2]) + ")");
    }
}

// --- whole-text transfer -----------------------------------------------------------

void BenchText(std::size_t size, int repeats, std::optional<int> limit)
{
    StandInOptions options;
    options.limit = limit;
    StandIn editor(options);
    clsKestTeraPad bridge;
    const std::string bytes = JapaneseText(size);
    const std::wstring text = platform::FromAnsi(bytes);
    if (!limit) {
        std::wstring read;
        const Stats stats = Measure(repeats, [&] { editor.SetDocument(bytes); editor.ClearLog(); },
                                    [&] { read = bridge.Text(); });
        Report("Text read", size, stats,
               std::to_string(editor.Log().size()) + " msgs" + (read == text ? "" : ", WRONG RESULT"));
    }
    const Stats stats = Measure(repeats, [&] { editor.SetDocument("old"); editor.ClearLog(); },
                                [&] { bridge.Text(text); });
    Report(limit ? "Text write, editor keeps " + std::to_string(*limit) + " B" : std::string("Text write"), size,
           stats, std::to_string(editor.Log().size()) + " msgs" + (editor.Document() == bytes ? "" : ", WRONG RESULT"));
}

// --- start-up ----------------------------------------------------------------------

BOOL CALLBACK FindUnpaintedChild(HWND child, LPARAM painted)
{
    if (!::IsWindowVisible(child) || !::GetUpdateRect(child, nullptr, FALSE)) return TRUE;
    *reinterpret_cast<bool*>(painted) = false;
    return FALSE;
}

// Whether the window and every control in it have been painted: none of them
// still waits for a WM_PAINT.
bool Painted(HWND window)
{
    if (::GetUpdateRect(window, nullptr, FALSE)) return false;
    bool painted = true;
    ::EnumChildWindows(window, FindUnpaintedChild, reinterpret_cast<LPARAM>(&painted));
    return painted;
}

// Milliseconds from CreateProcess until the program's window is ready as a
// user meets it: visible, painted with all its controls, the program waiting
// in its message loop so that a click or a drag is taken at once, and
// whatever ready adds (Quillbay: its list takes drops). IsWindowVisible
// alone, which this once measured, turns true before either program has
// painted anything.
//
// The clock stops when WaitForInputIdle returns: the program's thread then
// waits on its message queue with nothing left to do, WM_PAINT included. The
// state is checked right after; a program that went idle before its window
// was ready is polled until it is, and timed to that moment instead. Waiting
// rather than polling from the start matters here: a poll every millisecond
// keeps the one wineserver busy that the starting program needs, and slows
// most the program that talks to it most. -1 when the program ends first or
// is not ready in 30 s.
double StartToReady(const std::wstring& exe, const wchar_t* windowClass, const std::function<bool(HWND)>& ready,
                    bool& polled, const std::function<void(HWND)>& onReady = {})
{
    const auto start = std::chrono::steady_clock::now();
    const auto elapsed = [&] {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    };
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return -1;
    platform::UniqueProcess process(info.hProcess);
    platform::UniqueThread thread(info.hThread);
    const auto isReady = [&](HWND& window) {
        window = ::FindWindowW(windowClass, nullptr);
        return window && ::IsWindowVisible(window) && Painted(window) && ready(window);
    };
    HWND window = nullptr;
    double ms = -1;
    polled = false;
    if (::WaitForInputIdle(process.get(), 30000) == 0) {
        ms = elapsed();
        if (!isReady(window)) {
            polled = true;
            ms = -1;
            while (elapsed() < 30000 && ::WaitForSingleObject(process.get(), 1) == WAIT_TIMEOUT) {
                if (isReady(window)) {
                    ms = elapsed();
                    break;
                }
            }
        }
    }
    if (ms >= 0 && onReady) onReady(window);
    if (!window) window = ::FindWindowW(windowClass, nullptr);
    if (window) ::PostMessageW(window, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(process.get(), 10000) != WAIT_OBJECT_0) ::TerminateProcess(process.get(), 1);
    return ms;
}

BOOL CALLBACK AddChildShape(HWND child, LPARAM shape)
{
    wchar_t className[64] = {};
    ::GetClassNameW(child, className, 64);
    RECT rect{};
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    wchar_t line[512];
    std::swprintf(line, 512, L"%ls #%d %ld,%ld-%ld,%ld style %lx ex %lx \"%ls\"\n", className, ::GetDlgCtrlID(child),
                  rect.left, rect.top, rect.right, rect.bottom,
                  static_cast<unsigned long>(::GetWindowLongW(child, GWL_STYLE)),
                  static_cast<unsigned long>(::GetWindowLongW(child, GWL_EXSTYLE)), testsupport::TextOf(child).c_str());
    *reinterpret_cast<std::wstring*>(shape) += line;
    return TRUE;
}

// The window as a user meets it: its caption, styles and client size, and
// every control's class, id, place, styles and text. Not the font: its
// handle is the other process's, which this one cannot read.
std::wstring WindowShape(HWND window)
{
    RECT client{};
    ::GetClientRect(window, &client);
    wchar_t line[256];
    std::swprintf(line, 256, L"\"%ls\" style %lx ex %lx client %ldx%ld\n", testsupport::TextOf(window).c_str(),
                  static_cast<unsigned long>(::GetWindowLongW(window, GWL_STYLE)),
                  static_cast<unsigned long>(::GetWindowLongW(window, GWL_EXSTYLE)), client.right, client.bottom);
    std::wstring shape = line;
    ::EnumChildWindows(window, AddChildShape, reinterpret_cast<LPARAM>(&shape));
    return shape;
}

void BenchStartup(int repeats)
{
    TempDir folder;
    const std::wstring quillbay = folder / L"Quillbay.exe";
    ::CopyFileW((testsupport::TestBinDir() + L"\\Quillbay.exe").c_str(), quillbay.c_str(), FALSE);
    const std::wstring minimal = testsupport::TestBinDir() + L"\\MinimalWindow.exe";
    const std::wstring floor = testsupport::TestBinDir() + L"\\WindowFloor.exe";
    // Quillbay is ready for a drop only once its list's drop target is
    // registered; OLE marks the window with this property. The floor registers
    // the same.
    const auto takesDrops = [](HWND window) {
        return ::GetPropW(::GetDlgItem(window, frmQuillbay::kLstFiles), L"OleDropTargetInterface") != nullptr;
    };
    const auto anyWindow = [](HWND) { return true; };
    // The floor stands for Quillbay's window only while it is the same window.
    std::wstring quillbayShape, floorShape;
    const auto keepShape = [](std::wstring& shape) { return [&shape](HWND window) { shape = WindowShape(window); }; };
    struct Program {
        const std::wstring& exe;
        const wchar_t* windowClass;
        std::function<bool(HWND)> ready;
        std::function<void(HWND)> onReady;
    };
    const Program programs[] = {{quillbay, frmQuillbay::kWindowClass, takesDrops, keepShape(quillbayShape)},
                                {floor, L"Quillbay.WindowFloor", takesDrops, keepShape(floorShape)},
                                {minimal, L"MinimalWindow", anyWindow, {}}};
    StandIn editor;
    std::vector<double> times[3], overMinimal[2], overFloor;
    int failed = 0, polledStarts = 0;
    for (int i = 0; i < repeats; ++i) {
        // The three take turns going first, so that none always inherits
        // another's wake (a process still ending, a warmed cache).
        double t[3] = {-1, -1, -1};
        for (int turn = 0; turn < 3; ++turn) {
            const int which = (turn + i) % 3;
            bool polled = false;
            // Each starts as from the editor's Tools menu: the editor in
            // front, its window to be deactivated by the new one.
            editor.BringToFront();
            t[which] = StartToReady(programs[which].exe, programs[which].windowClass, programs[which].ready, polled,
                                    programs[which].onReady);
            if (polled) ++polledStarts;
        }
        if (t[0] < 0 || t[1] < 0 || t[2] < 0) {
            ++failed;
            continue;
        }
        for (int which = 0; which < 3; ++which) times[which].push_back(t[which]);
        for (int which = 0; which < 2; ++which) overMinimal[which].push_back(t[which] / std::max(t[2], 0.001));
        overFloor.push_back(t[0] / std::max(t[1], 0.001));
    }
    if (times[0].empty()) {
        Report("start-up: FAILED, no window ready", 0, Stats{});
        return;
    }
    const Stats mq = Summarize(times[0]), mf = Summarize(times[1]), mm = Summarize(times[2]);
    const auto ratio = [](const std::vector<double>& ratios, const char* of) {
        const Stats r = Summarize(ratios);
        return "x" + Fixed(r.median) + " " + of + " (" + Fixed(r.min) + " .. " + Fixed(r.max) + ")";
    };
    std::string failures = failed ? ", " + std::to_string(failed) + " FAILED starts" : std::string();
    if (polledStarts) failures += ", " + std::to_string(polledStarts) + " idle before ready";
    Report("start-up: minimal window ready", 0, mm, std::to_string(times[2].size()) + " runs" + failures);
    Report("start-up: window floor ready", 0, mf,
           ratio(overMinimal[1], "minimal") +
               (floorShape == quillbayShape ? ", the same window as Quillbay's" : ", NOT THE SAME WINDOW AS QUILLBAY'S"));
    // Each ratio is the median of the rounds' own ratios, as for the paste.
    Report("start-up: Quillbay window ready", 0, mq,
           ratio(overFloor, "floor") + ", " + ratio(overMinimal[0], "minimal") + ", ratio of medians x" +
               Fixed(mq.median / std::max(mf.median, 0.001)) + " floor");
    if (floorShape != quillbayShape)
        std::printf("Quillbay's window:\n%s\nthe floor's:\n%s\n", platform::ToAnsi(quillbayShape).c_str(),
                    platform::ToAnsi(floorShape).c_str());
}

} // namespace

int main(int argc, char** argv)
{
    ::OleInitialize(nullptr);
    std::string csv;
    bool quick = false;
    std::string only;
    int startupRuns = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--csv" && i + 1 < argc) csv = argv[++i];
        if (arg == "--quick") quick = true;
        if (arg == "--only" && i + 1 < argc) only = argv[++i];
        if (arg == "--startup-runs" && i + 1 < argc) startupRuns = std::atoi(argv[++i]);
    }
    const auto part = [&only](const char* name) { return only.empty() || only == name; };
    // A partial run must not overwrite the full run's table.
    if (csv.empty()) csv = "bench-" + Family() + (only.empty() ? "" : "-" + only) + ".csv";
    if (argc == 4 && std::string(argv[1]) == "--memory-probe") {
        const int code = MemoryProbe(platform::FromAnsi(argv[2]), std::atoi(argv[3]));
        ::OleUninitialize();
        return code;
    }
    if (part("paste"))
        for (std::size_t size : {std::size_t{1} << 10, std::size_t{1} << 20, std::size_t{16} << 20})
            BenchPaste(size, size > (1u << 20) ? 5 : (quick ? 3 : 9));
    if (part("utf8"))
        for (std::size_t size : {std::size_t{1} << 20, std::size_t{16} << 20})
            BenchUtf8Paste(size, size > (1u << 20) ? 7 : (quick ? 3 : 9));
    if (part("memory"))
        for (std::size_t size : {std::size_t{1} << 20, std::size_t{16} << 20}) BenchMemory(size);
    // On the 9x family a 16 MB read takes minutes under Wine (see the README): once is enough.
    if (part("text")) {
        for (std::size_t size : {std::size_t{1} << 20, std::size_t{16} << 20})
            BenchText(size, Family() == "9x" && size > (1u << 20) ? 1 : 3, std::nullopt);
        for (std::size_t size : {std::size_t{256} << 10, std::size_t{1} << 20, std::size_t{4} << 20})
            BenchText(size, 3, 32768);
    }
    if (part("startup")) BenchStartup(startupRuns > 0 ? startupRuns : (quick ? 5 : 15));

    if (FILE* out = std::fopen(csv.c_str(), "w")) {
        std::fprintf(out, "family,measure,size,median_ms,min_ms,max_ms,notes\n");
        for (const Row& row : g_rows)
            std::fprintf(out, "%s,%s,%s,%.3f,%.3f,%.3f,\"%s\"\n", row.family.c_str(), row.what.c_str(),
                         row.size.c_str(), row.stats.median, row.stats.min, row.stats.max, row.extra.c_str());
        std::fclose(out);
    }
    ::OleUninitialize();
    return 0;
}
