// The contact window's costs: a page change with 200 rows, a keystroke in
// the find field to the first match's page shown, and start-up to the shown
// window (in this process, and as a whole process of its own). Baselines in
// the same run: reading the same 200 rows from the image without the window,
// a page change alone, and an empty dialog shown.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QProcess>
#include <QSignalBlocker>
#include <QTableView>
#include <QTest>
#include <string>

#include "app/FindBar.h"
#include "app/PendrakApp.h"
#include "app/PendrakDlg.h"
#include "settings/AppData.h"

using namespace pendrak;

namespace {

// Full image; every third contact has a Chinese (GBK) name.
void FillFullImage() {
    CContactImage& image = theAppData.m_contacts;
    image.ClearContactImage();
    for (int n = 0; n < MAX_CONTACTS; ++n) {
        image.SetContactRadioId(n, 1000000 + n);
        image.SetContactFieldText(CONTACT_CALLSIGN, n, "BG" + std::to_string(n % 100000));
        image.SetContactFieldText(CONTACT_NAME, n,
                                  n % 3 ? std::string("John Smith") : std::string("\xCD\xF5\xCE\xB0"));
        image.SetContactFieldText(CONTACT_CITY, n, "Shenzhen");
        image.SetContactFieldText(CONTACT_STATE, n, "Guangdong");
        image.SetContactFieldText(CONTACT_COUNTRY, n, "China");
        image.SetContactFieldText(CONTACT_REMARKS, n, "DMR");
    }
    image.SetContactCount(MAX_CONTACTS);
}

void BM_ReadPageFromImage(benchmark::State& state) {
    FillFullImage();
    const CContactImage& image = theAppData.m_contacts;
    int page = 0;
    for (auto _ : state) {
        size_t bytes = 0;
        for (int i = 0; i < CONTACTS_PER_PAGE; ++i) {
            const int n = page * CONTACTS_PER_PAGE + i;
            bytes += std::to_string(n + 1).size() + std::to_string(image.GetContactRadioId(n)).size();
            for (int f = 0; f < CONTACT_FIELD_COUNT; ++f)
                bytes += image.GetContactFieldText(static_cast<ContactField>(f), n).size();
        }
        benchmark::DoNotOptimize(bytes);
        page = (page + 1) % 650;
    }
}
BENCHMARK(BM_ReadPageFromImage)->Unit(benchmark::kMillisecond);

// Next page and back, alternately; arg 1 also paints the list each time.
void BM_PageChange(benchmark::State& state) {
    FillFullImage();
    CPendrakDlg dlg;
    dlg.show();
    (void)QTest::qWaitForWindowExposed(&dlg);
    bool forward = true;
    for (auto _ : state) {
        if (forward) dlg.OnNextPage();
        else dlg.OnPrevPage();
        forward = !forward;
        if (state.range(0)) dlg.ContactList()->viewport()->repaint();
    }
    dlg.hide();
}
BENCHMARK(BM_PageChange)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// From the keystroke that completes the text to its first match's page shown
// with the row selected, starting on page 1. Arg 0: a name found only on the
// last page; 1: a text found nowhere (the whole image read, nothing shown).
// Second arg 1 also paints the list.
void BM_FindKeystroke(benchmark::State& state) {
    FillFullImage();
    theAppData.m_contacts.SetContactFieldText(CONTACT_NAME, MAX_CONTACTS - 1, "Zebedee");
    CPendrakDlg dlg;
    dlg.show();
    (void)QTest::qWaitForWindowExposed(&dlg);
    dlg.OnFindOpen();
    QLineEdit* edit = dlg.FindBar()->Edit();
    const bool found = state.range(0) == 0;
    for (auto _ : state) {
        state.PauseTiming();
        dlg.OnFirstPage();
        {
            const QSignalBlocker quiet(edit);
            edit->setText(found ? "zebede" : "zebedeq");
        }
        state.ResumeTiming();
        QTest::keyClick(edit, found ? Qt::Key_E : Qt::Key_Q);
        if (state.range(1)) dlg.ContactList()->viewport()->repaint();
    }
    state.counters["page"] = dlg.m_nCurPage + 1;
    dlg.hide();
}
BENCHMARK(BM_FindKeystroke)
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Unit(benchmark::kMillisecond);

void BM_EmptyDialogShown(benchmark::State& state) {
    for (auto _ : state) {
        QDialog dlg;
        dlg.resize(740, 570);
        dlg.show();
        (void)QTest::qWaitForWindowExposed(&dlg);
    }
}
BENCHMARK(BM_EmptyDialogShown)->Unit(benchmark::kMillisecond);

// Settings, language file, cleared image, dialog built, shown and painted.
void BM_StartupToShownWindow(benchmark::State& state) {
    const std::string program = QCoreApplication::applicationFilePath().toStdString();
    for (auto _ : state) {
        LoadProgramSettings(program);
        CPendrakDlg dlg;
        dlg.show();
        (void)QTest::qWaitForWindowExposed(&dlg);
        dlg.repaint();
    }
}
BENCHMARK(BM_StartupToShownWindow)->Unit(benchmark::kMillisecond);

// A whole process: start, settings, dialog built and exposed, exit.
void BM_ProcessStartupToShownWindow(benchmark::State& state) {
    const QString driver = QCoreApplication::applicationDirPath() + "/pendrak-shot";
    for (auto _ : state) {
        QProcess process;
        process.start(driver, {"--exit-when-shown"});
        if (!process.waitForFinished(10000) || process.exitCode() != 0) {
            state.SkipWithError("pendrak-shot did not start and end");
            break;
        }
    }
}
BENCHMARK(BM_ProcessStartupToShownWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
