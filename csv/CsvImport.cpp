// The import: a first reading decides the fate of every line (a compact
// table of IDs and priority classes, not the records), the choice picks
// what fits, a second reading converts and keeps only what is taken, and
// the image changes only once both readings agreed.
#include <algorithm>
#include <cstring>
#include <memory>

#include "csv/ContactCsv.h"
#include "csv/CsvImportParts.h"
#include "platform/CodePage.h"

namespace pendrak {

namespace {

// Tags beyond the priority classes (0 to CContactChoice::MAX_PREFER).
constexpr uint8_t TAG_OWN_ENTRY = 252;     // the user's own entry: taken before all
constexpr uint8_t TAG_OWN_REPLACED = 253;  // an own entry has the ID
constexpr uint8_t TAG_NOT_CHOSEN = 254;
constexpr uint8_t TAG_REPEATED = 255;

constexpr bool Kept(uint32_t tag) {
    return tag < TAG_OWN_REPLACED;
}
// Every key but an own entry's is above this, so own entries are always
// the first taken.
constexpr uint64_t CHOSEN_KEY_BASE = uint64_t{1} << 56;

// The converters for the files of one import.
struct CConverters {
    int nCodePage = 0;
    CTextConverter utf8;    // files with a byte-order mark, and the default
    CTextConverter source;  // named columns in the encoding the user named
    bool bSource = false;

    // The own layout keeps its bytes, unless the user named its encoding.
    CTextConverter* For(const CsvLayout& layout) {
        if (layout.UsesOwnReader()) return bSource ? &source : nullptr;
        return bSource && !layout.bByteOrderMark ? &source : &utf8;
    }
};

// Whether bytes kept as they are hold UTF-8 text beyond ASCII, value by value.
class CUtf8Watch {
public:
    void Reset(bool watching) {
        m_bWatching = watching;
        m_bNonAscii = m_bInvalid = false;
    }
    void See(std::string_view value) {
        if (!m_bWatching || m_bInvalid) return;
        for (size_t i = 0; i < value.size();) {
            if (static_cast<unsigned char>(value[i]) < 0x80) {
                ++i;
                continue;
            }
            const size_t n = Utf8SequenceLength(value, i);
            if (n == 0) {
                // The own reader cuts a value one byte past its field: a
                // sequence cut there is no sign of another encoding.
                m_bInvalid = !CutAtEnd(value, i);
                return;
            }
            m_bNonAscii = true;
            i += n;
        }
    }
    bool Utf8Text() const { return m_bWatching && m_bNonAscii && !m_bInvalid; }

private:
    static bool CutAtEnd(std::string_view value, size_t i) {
        const auto lead = static_cast<unsigned char>(value[i]);
        const size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (lead < 0xC2 || lead > 0xF4 || value.size() - i >= need) return false;
        for (size_t k = i + 1; k < value.size(); ++k)
            if ((static_cast<unsigned char>(value[k]) & 0xC0) != 0x80) return false;
        return true;
    }
    bool m_bWatching = false;
    bool m_bNonAscii = false;
    bool m_bInvalid = false;
};

// The first reading: every record's fate, and with a source read only
// once, every candidate staged as well.
class CPlan : public CImportSink {
public:
    CPlan(CsvImportReport& report, const CContactChoice& named, const CContactChoice& own,
          CConverters& converters, CStagedRecords* stageAll)
        : m_report(report),
          m_named(named),
          m_own(own),
          m_converters(converters),
          m_pStageAll(stageAll) {}

    void OnLayout(const CsvLayout& layout) override {
        m_layout = layout;
        // Bytes kept: countries are matched as the radio holds them.
        const bool kept = m_converters.For(layout) == nullptr;
        m_pChoice = kept ? &m_own : &m_named;
        m_utf8.Reset(kept && m_converters.nCodePage != CP_UTF8_ID);
        m_nFileStart = m_report.nLines;
        m_unclosed.clear();
        m_bCrOnly = false;
    }
    // For the files that follow: the user's own entries or not.
    void SetOwnEntries(bool own) { m_bOwnEntries = own; }
    void OnCrOnlyLineEnds() override { m_bCrOnly = true; }
    bool Utf8Text() const { return m_utf8.Utf8Text(); }

    bool OnRecord(const CsvRecord& r) override {
        m_report.nLines += r.nLines;
        switch (r.kind) {
            case CsvRecordKind::Unclosed:
                m_report.nUnclosed += r.nLines;
                if (m_unclosed.size() < CsvFileReport::MAX_NAMED_LINES)
                    m_unclosed.push_back(m_report.nLines - m_nFileStart);
                return true;
            case CsvRecordKind::Header:
                m_report.nHeader += r.nLines;
                return true;
            case CsvRecordKind::Empty:
                m_report.nEmpty += r.nLines;
                return true;
            case CsvRecordKind::NoId:
                m_report.nNoId += r.nLines;
                return true;
            case CsvRecordKind::Contact:
                break;
        }
        for (const std::string_view value : r.values) m_utf8.See(value);
        const std::string_view country = r.values[CONTACT_COUNTRY], state = r.values[CONTACT_STATE];
        const uint32_t tag =
            m_bOwnEntries ? TAG_OWN_ENTRY
            : m_pChoice->Allowed(r.nId, country, state)
                ? static_cast<uint32_t>(m_pChoice->Class(r.nId, country, state))
                : TAG_NOT_CHOSEN;
        if (m_pStageAll) {
            // The values live only as long as this call.
            if (Kept(Settle({r.nId, tag, r.nLines})))
                m_pStageAll->Add(r, static_cast<uint32_t>(m_records.size() - 1),
                                 m_converters.For(m_layout), m_converters.nCodePage);
            return true;
        }
        // The test of the ID waits a few records, by when its bit has
        // arrived from memory: a list of random IDs misses the cache at
        // nearly every one.
        m_seen.Prefetch(r.nId);
        if (m_nPending == PENDING)
            Settle(m_pending[m_nFirst]), m_nFirst = (m_nFirst + 1) % PENDING, --m_nPending;
        m_pending[(m_nFirst + m_nPending++) % PENDING] = {r.nId, tag, r.nLines};
        return true;
    }

    // The records still waiting for their ID's test, at the end of a file.
    void Flush() {
        for (; m_nPending > 0; --m_nPending, m_nFirst = (m_nFirst + 1) % PENDING)
            Settle(m_pending[m_nFirst]);
    }

    // The choice over the image's contacts (in a merge) and the files'.
    void Decide(const CContactImage& image, bool merge) {
        Flush();
        m_records.shrink_to_fit();  // it stays through the second reading
        m_nOld = merge ? image.GetContactCount() : 0;
        std::vector<uint64_t> keys;
        keys.reserve(static_cast<size_t>(m_nOld) + m_records.size());
        std::vector<int> oldClass(static_cast<size_t>(m_nOld), -1);
        std::vector<std::pair<uint32_t, uint32_t>> replaced;  // ID, position in the image
        for (int i = 0; i < m_nOld; ++i) {
            const uint32_t id = static_cast<uint32_t>(image.GetContactRadioId(i));
            const std::string_view country = image.GetContactFieldText(CONTACT_COUNTRY, i);
            const std::string_view state = image.GetContactFieldText(CONTACT_STATE, i);
            if (m_seen.Test(id)) {
                ++m_report.nImageReplaced;
                replaced.push_back({id, static_cast<uint32_t>(i)});
            } else if (m_own.Allowed(id, country, state)) {
                oldClass[i] = m_own.Class(id, country, state);
                keys.push_back(OldKey(i, id, oldClass[i]));
            }
        }
        // A line that replaces a contact takes its place in the order.
        std::sort(replaced.begin(), replaced.end());
        m_positions.clear();
        for (uint32_t k = 0; k < m_records.size() && !replaced.empty(); ++k) {
            const auto it = std::lower_bound(replaced.begin(), replaced.end(),
                                             std::pair<uint32_t, uint32_t>(m_records[k] >> 8, 0));
            if (it != replaced.end() && it->first == m_records[k] >> 8)
                m_positions.push_back({k, it->second});
        }
        for (uint32_t k = 0; k < m_records.size(); ++k)
            if (Kept(m_records[k] & 0xFF)) keys.push_back(RecordKey(k));
        m_nCutoff = ChoiceCutoff(keys, MAX_CONTACTS);
        keys = std::vector<uint64_t>();

        m_keepOld.assign(static_cast<size_t>(m_nOld), false);
        for (int i = 0; i < m_nOld; ++i) {
            if (oldClass[i] < 0) continue;
            const uint32_t id = static_cast<uint32_t>(image.GetContactRadioId(i));
            m_keepOld[i] = OldKey(i, id, oldClass[i]) <= m_nCutoff;
        }
        m_report.nImageKept = std::count(m_keepOld.begin(), m_keepOld.end(), true);
        m_report.nImageDropped = m_nOld - m_report.nImageKept - m_report.nImageReplaced;

        size_t multi = 0;
        for (uint32_t k = 0; k < m_records.size(); ++k) {
            uint32_t lines = 1;
            if (multi < m_multiLine.size() && m_multiLine[multi].first == k)
                lines = m_multiLine[multi++].second;
            if (!Kept(m_records[k] & 0xFF)) continue;
            const bool taken = Taken(k);
            (taken ? m_report.nTaken : m_report.nOverCapacity) += lines;
            if (taken && (m_records[k] & 0xFF) == TAG_OWN_ENTRY) m_report.nOwnTaken += lines;
        }
    }

    bool Taken(uint32_t index) const {
        const uint32_t tag = m_records[index] & 0xFF;
        if (m_nCutoff == UINT64_MAX) return Kept(tag);  // all fit
        return Kept(tag) && RecordKey(index) <= m_nCutoff;
    }
    uint64_t RecordKey(uint32_t index) const {
        const uint32_t tag = m_records[index] & 0xFF;
        if (tag == TAG_OWN_ENTRY) return Position(index);
        return CHOSEN_KEY_BASE + m_named.Key(static_cast<int>(tag), m_records[index] >> 8, Position(index));
    }
    uint64_t OldKey(int i, uint32_t id, int cls) const {
        return CHOSEN_KEY_BASE + m_own.Key(cls, id, static_cast<uint32_t>(i));
    }
    // Where a record stands in the order: after the image's contacts, or in
    // the place of the one it replaces.
    uint32_t Position(uint32_t index) const {
        if (!m_positions.empty()) {
            const auto it = std::lower_bound(m_positions.begin(), m_positions.end(),
                                             std::pair<uint32_t, uint32_t>(index, 0));
            if (it != m_positions.end() && it->first == index) return it->second;
        }
        return static_cast<uint32_t>(m_nOld) + index;
    }
    size_t RecordCount() const { return m_records.size(); }
    uint32_t RecordId(size_t index) const { return m_records[index] >> 8; }
    bool KeepOld(int i) const { return m_keepOld[i]; }
    const CsvLayout& Layout() const { return m_layout; }
    // The file just read, as far as this reading can tell.
    CsvFileReport FileReport(long long lines) const {
        CsvFileReport file;
        file.layout = m_layout;
        file.nLines = lines;
        file.unclosedLines = m_unclosed;
        file.bCrOnly = m_bCrOnly;
        file.bUtf8Text = Utf8Text();
        return file;
    }
    int OldCount() const { return m_nOld; }

private:
    struct Pending {
        uint32_t nId, nTag, nLines;
    };

    // A record's fate once its ID is tested: the first line of an ID wins.
    uint32_t Settle(const Pending& p) {
        uint32_t tag = p.nTag;
        if (m_seen.TestAndSet(p.nId)) {
            // A list's line whose ID an own entry holds is replaced, not repeated.
            if (tag != TAG_OWN_ENTRY && m_ownIds.Test(p.nId)) {
                tag = TAG_OWN_REPLACED;
                m_report.nOwnReplaced += p.nLines;
            } else {
                tag = TAG_REPEATED;
                m_report.nRepeated += p.nLines;
            }
        } else if (tag == TAG_OWN_ENTRY) {
            m_ownIds.TestAndSet(p.nId);
        } else if (tag == TAG_NOT_CHOSEN) {
            m_report.nNotChosen += p.nLines;
        }
        if (p.nLines > 1)
            m_multiLine.push_back({static_cast<uint32_t>(m_records.size()), p.nLines});
        m_records.push_back(p.nId << 8 | tag);
        return tag;
    }

    static constexpr size_t PENDING = 16;
    Pending m_pending[PENDING];
    size_t m_nFirst = 0, m_nPending = 0;
    CsvImportReport& m_report;
    const CContactChoice& m_named;
    const CContactChoice& m_own;
    const CContactChoice* m_pChoice = nullptr;
    CConverters& m_converters;
    CStagedRecords* m_pStageAll;
    CsvLayout m_layout;
    bool m_bOwnEntries = false;
    long long m_nFileStart = 0;  // the report's lines before this file
    std::vector<long long> m_unclosed;
    bool m_bCrOnly = false;
    CUtf8Watch m_utf8;
    CSeenIds m_seen;
    CSeenIds m_ownIds;
    std::vector<uint32_t> m_records;  // ID << 8 | class or tag, per contact record
    std::vector<std::pair<uint32_t, uint32_t>> m_multiLine;  // records of more than one line
    std::vector<std::pair<uint32_t, uint32_t>> m_positions;  // record, image position it replaces
    int m_nOld = 0;
    uint64_t m_nCutoff = UINT64_MAX;
    std::vector<bool> m_keepOld;
};

// The second reading: the same records again, and the taken ones staged.
class CStore : public CImportSink {
public:
    CStore(const CPlan& plan, CConverters& converters, CStagedRecords& staged)
        : m_plan(plan), m_converters(converters), m_staged(staged) {}

    void OnLayout(const CsvLayout& layout) override {
        m_layout = layout;
        m_utf8.Reset(m_converters.For(layout) == nullptr && m_converters.nCodePage != CP_UTF8_ID);
    }
    bool Utf8Text() const { return m_utf8.Utf8Text(); }

    bool OnRecord(const CsvRecord& r) override {
        m_nLines += r.nLines;
        if (r.kind != CsvRecordKind::Contact) return true;
        for (const std::string_view value : r.values) m_utf8.See(value);
        const size_t index = m_nNext++;
        if (index >= m_plan.RecordCount() || m_plan.RecordId(index) != r.nId) {
            m_bChanged = true;
            return false;
        }
        if (m_plan.Taken(static_cast<uint32_t>(index)))
            m_staged.Add(r, static_cast<uint32_t>(index), m_converters.For(m_layout),
                         m_converters.nCodePage);
        return true;
    }

    // After a file: as many lines as the first reading saw up to there, and
    // after the last, as many contact records.
    bool Agrees(const CsvLayout& layout, long long lines, bool last) const {
        return !m_bChanged && m_layout.kind == layout.kind && m_nLines == lines &&
               (!last || m_nNext == m_plan.RecordCount());
    }

private:
    const CPlan& m_plan;
    CConverters& m_converters;
    CStagedRecords& m_staged;
    CsvLayout m_layout;
    CUtf8Watch m_utf8;
    size_t m_nNext = 0;
    long long m_nLines = 0;
    bool m_bChanged = false;
};

// The image's kept contacts moved to the front, the staged ones after them;
// the count set, not yet sorted.
int Commit(CContactImage& image, const CPlan& plan, const CStagedRecords& staged, bool checkTaken,
           CsvImportReport& report) {
    int n = 0;
    for (int i = 0; i < plan.OldCount(); ++i) {
        if (!plan.KeepOld(i)) continue;
        image.CopyContactRecord(n, i);
        ++n;
    }
    staged.ForEach([&](const CStagedRecords::Entry& e) {
        if (checkTaken && !plan.Taken(e.nIndex)) return;
        image.SetContactRecord(n, static_cast<int32_t>(e.nId), e.texts);
        report.nValuesCut += e.nCut;
        report.nTransliterated += e.nTransliterated;
        report.nReplaced += e.nReplaced;
        ++n;
    });
    report.nValuesCut += staged.ValuesCut();
    report.nTransliterated += staged.Stats().transliterated;
    report.nReplaced += staged.Stats().replaced;
    image.SetContactCount(n);
    return n;
}

CsvImportResult Failed(CsvImportResult::Outcome outcome, FileErrorCause cause, size_t file) {
    CsvImportResult result;
    result.outcome = outcome;
    result.cause = cause;
    result.nFailedFile = file;
    return result;
}

}  // namespace

CsvImportResult ImportContactsCsv(CContactImage& image, const std::vector<CCsvSource*>& sources,
                                  const CsvImportOptions& options, size_t chunkSize) {
    if (chunkSize == 0) chunkSize = CSV_READ_CHUNK_SIZE;
    CConverters converters;
    converters.nCodePage = options.nCodePage > 0 ? options.nCodePage : GetProgramCodePage();
    std::string error;
    if (!converters.utf8.Open(converters.nCodePage, {}, &error) ||
        (!options.strEncoding.empty() &&
         !(converters.bSource =
               converters.source.Open(converters.nCodePage, options.strEncoding, &error)))) {
        CsvImportResult result;
        result.outcome = CsvImportResult::OptionFailed;
        result.strMessage = error;
        return result;
    }
    // Country names are matched in the radio's bytes for the own layout.
    CContactChoice own = options.choice;
    own.TranslateNames([&](const std::string& name) {
        std::string out;
        TextConvertStats ignored;
        converters.utf8.Convert(name, out, ignored);
        return out;
    });

    bool twice = true;
    for (CCsvSource* source : sources) twice = source->Rewind() && twice;
    const std::unique_ptr<char[]> buffer(new char[chunkSize]);
    CsvImportReport report;
    report.bMerge = options.bMerge;
    auto staged = std::make_unique<CStagedRecords>(twice);
    auto plan = std::make_unique<CPlan>(report, options.choice, own, converters,
                                        twice ? nullptr : staged.get());
    const bool wantPlace = options.choice.NeedsPlace();
    FileErrorCause cause = FileErrorCause::none;
    std::vector<long long> bytes;  // per file, to compare the readings
    for (size_t i = 0; i < sources.size(); ++i) {
        const long long before = report.nLines;
        bytes.push_back(0);
        plan->SetOwnEntries(i < options.nOwnEntrySources);
        if (!ReadCsvSource(*sources[i], buffer.get(), chunkSize, *plan, !twice, wantPlace, cause,
                           bytes.back()))
            return Failed(CsvImportResult::ReadFailed, cause, i);
        plan->Flush();
        CsvFileReport file = plan->FileReport(report.nLines - before);
        file.bOwnEntries = i < options.nOwnEntrySources;
        report.files.push_back(file);
    }
    plan->Decide(image, options.bMerge);

    if (twice) {
        // One pass over all the files, in the same order: records are
        // numbered across them.
        CStore store(*plan, converters, *staged);
        long long lines = 0;
        for (size_t i = 0; i < sources.size(); ++i) {
            if (!sources[i]->Rewind())
                return Failed(CsvImportResult::ReadFailed, FileErrorCause::badSeek, i);
            long long again = 0;
            if (!ReadCsvSource(*sources[i], buffer.get(), chunkSize, store, true, wantPlace,
                               cause, again))
                return Failed(CsvImportResult::ReadFailed, cause, i);
            lines += report.files[i].nLines;
            if (again != bytes[i] ||
                !store.Agrees(report.files[i].layout, lines, i + 1 == sources.size())) {
                // Shorter, longer or other records than the first reading found.
                CsvImportResult result =
                    Failed(CsvImportResult::ReadFailed, FileErrorCause::endOfFile, i);
                result.bChanged = true;
                return result;
            }
            report.files[i].bUtf8Text = store.Utf8Text();
        }
    }
    CsvImportResult result;
    result.count = Commit(image, *plan, *staged, !twice, report);
    // The sort needs tables of its own: what the readings kept goes first.
    staged.reset();
    plan.reset();
    image.SortContactsByRadioId();
    result.report = std::move(report);
    return result;
}

CsvImportResult ImportContactsCsv(CContactImage& image, CCsvSource& source, size_t chunkSize) {
    return ImportContactsCsv(image, std::vector<CCsvSource*>{&source}, CsvImportOptions(),
                             chunkSize);
}

long long CCsvBytesSource::Read(char* buffer, size_t size, FileErrorCause&) {
    const size_t got = std::min(size, m_bytes.size() - m_pos);
    if (got > 0) std::memcpy(buffer, m_bytes.data() + m_pos, got);
    m_pos += got;
    return static_cast<long long>(got);
}

bool CCsvBytesSource::Rewind() {
    if (!m_rewindable) return false;
    m_pos = 0;
    return true;
}

}  // namespace pendrak
