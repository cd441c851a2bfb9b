// The report control on a vault-sized list beside a plain QTreeView over a
// QStandardItemModel (Qt's defaults), the same work on the same texts in
// the same run: populate and first paint, expand all, select all, sort by a
// column and scroll from top to bottom, painting the viewport offscreen
// after each step. See README.md.
#include "ui/application.h"
#include "ui/framework/wnd.h"
#include "ui/toolkit/report/report_column.h"
#include "ui/toolkit/report/report_columns.h"
#include "ui/toolkit/report/report_control.h"
#include "ui/toolkit/report/report_record.h"
#include "ui/toolkit/report/report_record_item_text.h"
#include "ui/toolkit/report/report_records.h"
#include "ui/toolkit/report/report_row.h"
#include "ui/toolkit/report/report_rows.h"
#include "ui/toolkit/report/report_selected_rows.h"
#include "ui/window.h"
#include "ui/window_styles.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTreeView>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// The shapes: a tree of gParents x gChildren records and a flat list.
int gParents = 1000;
int gChildren = 100;
int gFlat = 100000;
bool gFailed = false;

constexpr int kColumns = 4;
constexpr int kWidth = 1000;
constexpr int kHeight = 700;
const char16_t* const kCaptions[kColumns] = {u"Name", u"Version", u"State", u"Size"};
const int kColumnWidths[kColumns] = {400, 120, 200, 120};

// One record's texts and its children.
struct Node {
    std::array<std::u16string, kColumns> texts;
    std::vector<Node> children;
};

std::u16string Utf16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// Names in no particular order (a multiplicative scramble of the number),
// so that sorting has work to do.
Node MakeNode(const char* prefix, unsigned number) {
    static const char* const states[] = {"In Work", "Released", "Checked In", "Review", "Obsolete"};
    unsigned scrambled = static_cast<unsigned>((number * 2654435761ull) % 1000003u);
    char name[64];
    std::snprintf(name, sizeof name, "%s %07u", prefix, scrambled);
    Node node;
    node.texts = {Utf16(name), Utf16(std::to_string(number % 9 + 1)), Utf16(states[number % 5]),
                  Utf16(std::to_string(scrambled % 90000 + 1) + " KB")};
    return node;
}

std::vector<Node> MakeTree() {
    std::vector<Node> tree;
    tree.reserve(gParents);
    for (int p = 0; p < gParents; ++p) {
        Node parent = MakeNode("Assembly", static_cast<unsigned>(p));
        parent.children.reserve(gChildren);
        for (int c = 0; c < gChildren; ++c)
            parent.children.push_back(MakeNode("Part", static_cast<unsigned>(gParents + p * gChildren + c)));
        tree.push_back(std::move(parent));
    }
    return tree;
}

std::vector<Node> MakeFlat() {
    std::vector<Node> flat;
    flat.reserve(gFlat);
    for (int i = 0; i < gFlat; ++i) flat.push_back(MakeNode("Part", static_cast<unsigned>(i)));
    return flat;
}

const std::vector<Node>& Nodes(bool tree) {
    static const std::vector<Node> treeNodes = MakeTree();
    static const std::vector<Node> flatNodes = MakeFlat();
    return tree ? treeNodes : flatNodes;
}

std::size_t CountAll(const std::vector<Node>& nodes) {
    std::size_t count = nodes.size();
    for (const Node& node : nodes) count += CountAll(node.children);
    return count;
}

// The smallest name of the top level: the first row after sorting.
std::u16string SmallestName(const std::vector<Node>& nodes) {
    return std::min_element(nodes.begin(), nodes.end(),
                            [](const Node& a, const Node& b) { return a.texts[0] < b.texts[0]; })
        ->texts[0];
}

// One list under test: filled from the nodes, operated on and painted.
class Side {
public:
    virtual ~Side() = default;
    // Makes the list's data from the nodes and shows it (collapsed).
    virtual void Fill(const std::vector<Node>& nodes) = 0;
    virtual void ExpandAll() = 0;
    virtual void SelectAll() = 0;
    virtual std::size_t SelectedCount() const = 0;
    virtual void SortByName() = 0;
    virtual std::size_t ShownRows() const = 0;
    virtual std::u16string FirstName() const = 0;
    virtual QAbstractScrollArea* Area() const = 0;

    // Paints the rows' viewport into an image, as the screen would.
    void Paint() {
        QWidget* viewport = Area()->viewport();
        if (image_.size() != viewport->size()) image_ = QImage(viewport->size(), QImage::Format_ARGB32_Premultiplied);
        viewport->render(&image_);
    }

private:
    QImage image_;
};

// The peer: Qt's plain tree view over a standard item model.
class PeerSide : public Side {
public:
    PeerSide() {
        view_.resize(kWidth, kHeight);
        view_.setSelectionMode(QAbstractItemView::ExtendedSelection);
        view_.show();
    }
    ~PeerSide() override {
        view_.setModel(nullptr);
        delete model_;
    }

    void Fill(const std::vector<Node>& nodes) override {
        model_ = new QStandardItemModel(0, kColumns);
        for (int c = 0; c < kColumns; ++c)
            model_->setHorizontalHeaderItem(c, new QStandardItem(QString::fromUtf16(kCaptions[c])));
        QStandardItem* root = model_->invisibleRootItem();
        for (const Node& node : nodes) {
            QList<QStandardItem*> row = Row(node);
            for (const Node& child : node.children) row.front()->appendRow(Row(child));
            root->appendRow(row);
        }
        view_.setModel(model_);
        for (int c = 0; c < kColumns; ++c) view_.setColumnWidth(c, kColumnWidths[c]);
    }
    void ExpandAll() override { view_.expandAll(); }
    void SelectAll() override { view_.selectAll(); }
    std::size_t SelectedCount() const override { return view_.selectionModel()->selectedRows().size(); }
    void SortByName() override { view_.sortByColumn(0, Qt::AscendingOrder); }
    std::size_t ShownRows() const override {
        std::size_t shown = 0;
        for (QModelIndex index = model_->index(0, 0); index.isValid(); index = view_.indexBelow(index)) ++shown;
        return shown;
    }
    std::u16string FirstName() const override { return model_->index(0, 0).data().toString().toStdU16String(); }
    QAbstractScrollArea* Area() const override { return const_cast<QTreeView*>(&view_); }

private:
    static QList<QStandardItem*> Row(const Node& node) {
        QList<QStandardItem*> row;
        for (const std::u16string& text : node.texts)
            row.append(new QStandardItem(QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()))));
        return row;
    }

    QTreeView view_;
    QStandardItemModel* model_ = nullptr;  // Owned.
};

// Ours: a report control in a top-level window, as a view hosts it.
class OursSide : public Side {
public:
    OursSide() {
        if (!host_.CreateEx(0, u"ReportBenchHost", u"Report", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                            RECT{0, 0, kWidth, kHeight}, nullptr, 0) ||
            !control_.Create(WS_CHILD | WS_VISIBLE | WS_TABSTOP, RECT{0, 0, kWidth, kHeight}, &host_, 100)) {
            std::fprintf(stderr, "the report control's window could not be made\n");
            std::exit(1);
        }
        for (int c = 0; c < kColumns; ++c) {
            CXTPReportColumn* column = control_.AddColumn(new CXTPReportColumn(c, kCaptions[c], kColumnWidths[c]));
            if (c == 0) column->SetTreeColumn(TRUE);
        }
        QWidget* widget = ui::WindowFromHandle(control_.GetSafeHwnd())->Widget();
        area_ = qobject_cast<QAbstractScrollArea*>(widget);
        if (!area_) area_ = widget->findChild<QAbstractScrollArea*>();
        if (!area_) {
            std::fprintf(stderr, "the report control's window has no scroll area\n");
            std::exit(1);
        }
    }
    ~OursSide() override {
        control_.DestroyWindow();
        host_.DestroyWindow();
    }

    void Fill(const std::vector<Node>& nodes) override {
        for (const Node& node : nodes) {
            CXTPReportRecord* record = Record(node);
            for (const Node& child : node.children) record->GetChilds()->Add(Record(child));
            control_.AddRecord(record);
        }
        control_.Populate();
    }
    void ExpandAll() override { control_.ExpandAll(); }
    void SelectAll() override {
        control_.GetSelectedRows()->SelectBlock(0, control_.GetRows()->GetCount() - 1);
        control_.OnSelectionChanged();
    }
    std::size_t SelectedCount() const override { return control_.GetSelectedRows()->GetCount(); }
    void SortByName() override {
        control_.GetColumns()->SetSortColumn(control_.GetColumns()->Find(0), TRUE);
        control_.ReSortRows();
    }
    std::size_t ShownRows() const override { return control_.GetRows()->GetCount(); }
    std::u16string FirstName() const override {
        CXTPReportRow* row = control_.GetRows()->GetAt(0);
        CXTPReportColumn* column = control_.GetColumns()->Find(0);
        return row ? std::u16string(row->GetRecord()->GetItem(column)->GetCaption(column).GetString()) : u"";
    }
    QAbstractScrollArea* Area() const override { return area_; }

private:
    static CXTPReportRecord* Record(const Node& node) {
        auto* record = new CXTPReportRecord;
        for (const std::u16string& text : node.texts) record->AddItem(new CXTPReportRecordItemText(text.c_str()));
        return record;
    }

    CWnd host_;
    CXTPReportControl control_;
    QAbstractScrollArea* area_ = nullptr;  // Not owned: the control's window.
};

enum class Kind { ours, peer };
enum class Op { populate, expandAll, selectAll, sort, scroll };

std::unique_ptr<Side> MakeSide(Kind kind) {
    if (kind == Kind::ours) return std::make_unique<OursSide>();
    return std::make_unique<PeerSide>();
}

void Fail(benchmark::State& state, const std::string& what) {
    state.SkipWithError(what.c_str());
    gFailed = true;
}

// The list filled (and for the later operations expanded) untimed; then the
// operation and the paint that shows it, timed.
void RunCase(benchmark::State& state, Kind kind, bool tree, Op op) {
    const std::vector<Node>& nodes = Nodes(tree);
    const std::size_t all = CountAll(nodes);
    double stepSum = 0, stepMax = 0;
    std::size_t steps = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<Side> side = MakeSide(kind);
        if (op != Op::populate) {
            side->Fill(nodes);
            side->Paint();
            if (tree && op != Op::expandAll) {
                side->ExpandAll();
                side->Paint();
            }
        }
        state.ResumeTiming();

        switch (op) {
        case Op::populate:
            side->Fill(nodes);
            side->Paint();
            break;
        case Op::expandAll:
            side->ExpandAll();
            side->Paint();
            break;
        case Op::selectAll:
            side->SelectAll();
            side->Paint();
            break;
        case Op::sort:
            side->SortByName();
            side->Paint();
            break;
        case Op::scroll: {
            QScrollBar* bar = side->Area()->verticalScrollBar();
            while (bar->value() < bar->maximum()) {
                auto start = std::chrono::steady_clock::now();
                bar->setValue(bar->value() + bar->pageStep());
                side->Paint();
                double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
                stepSum += ms;
                stepMax = std::max(stepMax, ms);
                ++steps;
            }
            break;
        }
        }

        state.PauseTiming();
        // What each operation must have done.
        const std::size_t shown = side->ShownRows();
        const std::size_t expected = (op == Op::populate && tree) ? nodes.size() : all;
        if (shown != expected) {
            Fail(state, "shows " + std::to_string(shown) + " rows, not " + std::to_string(expected));
        } else if (op == Op::selectAll && side->SelectedCount() != all) {
            Fail(state, "selected " + std::to_string(side->SelectedCount()) + " rows, not " + std::to_string(all));
        } else if (op == Op::sort && side->FirstName() != SmallestName(nodes)) {
            Fail(state, "the first row after sorting is not the smallest name");
        } else if (op == Op::scroll && steps == 0 && all > 100) {
            Fail(state, "nothing to scroll");
        }
        side.reset();
        state.ResumeTiming();
    }
    if (op == Op::scroll && steps > 0) {
        state.counters["steps"] = static_cast<double>(steps) / static_cast<double>(state.iterations());
        state.counters["step_mean_ms"] = stepSum / static_cast<double>(steps);
        state.counters["step_max_ms"] = stepMax;
    }
}

const char* OpName(Op op) {
    switch (op) {
    case Op::populate:
        return "PopulateFirstPaint";
    case Op::expandAll:
        return "ExpandAll";
    case Op::selectAll:
        return "SelectAll";
    case Op::sort:
        return "SortByColumn";
    case Op::scroll:
        return "ScrollTopToBottom";
    }
    return "";
}

// The console output, then a table of each operation's time ours beside
// the peer's, and the two limits the lists must keep.
class SideBySideReporter : public benchmark::ConsoleReporter {
public:
    SideBySideReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_Color : OO_None) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            // "Operation/shape/side" (without the iteration and time marks)
            const std::string& name = run.run_name.function_name;
            std::size_t cut = name.rfind('/');
            std::string operation = name.substr(0, cut);
            bool ours = name.compare(cut + 1, 4, "ours") == 0;
            if (std::find(order_.begin(), order_.end(), operation) == order_.end()) order_.push_back(operation);
            Figures& figures = ours ? table_[operation].first : table_[operation].second;
            figures.ms = run.GetAdjustedRealTime();
            auto mean = run.counters.find("step_mean_ms");
            auto max = run.counters.find("step_max_ms");
            if (mean != run.counters.end()) figures.stepMean = mean->second.value;
            if (max != run.counters.end()) figures.stepMax = max->second.value;
        }
    }

    void PrintSideBySide() const {
        std::printf("\n%-34s %12s %12s %8s\n", "operation (ms)", "ours", "peer", "ratio");
        // A figure below 0 is one that was not measured (a failed case).
        auto line = [](const std::string& what, double ours, double peer) {
            std::printf("%-34s", what.c_str());
            for (double figure : {ours, peer}) figure < 0 ? std::printf(" %12s", "-") : std::printf(" %12.2f", figure);
            ours >= 0 && peer > 0 ? std::printf(" %7.2fx\n", ours / peer) : std::printf(" %8s\n", "-");
        };
        for (const std::string& operation : order_) {
            const auto& [ours, peer] = table_.at(operation);
            line(operation, ours.ms, peer.ms);
            if (ours.stepMean >= 0 || peer.stepMean >= 0) {
                line(operation + " step mean", ours.stepMean, peer.stepMean);
                line(operation + " step max", ours.stepMax, peer.stepMax);
            }
        }
        std::printf("\n");
        for (const char* shape : {"tree", "flat"}) {
            auto populate = table_.find(std::string("PopulateFirstPaint/") + shape);
            if (populate != table_.end()) {
                const auto& [ours, peer] = populate->second;
                bool pass = ours.ms >= 0 && ours.ms < 100 && (peer.ms < 0 || ours.ms < peer.ms);
                std::printf(
                    "%-4s populate + first paint < 100 ms and faster than the peer: %s (%.1f ms, peer %.1f ms)\n",
                    shape, pass ? "PASS" : "FAIL", ours.ms, peer.ms);
            }
            auto scroll = table_.find(std::string("ScrollTopToBottom/") + shape);
            if (scroll != table_.end()) {
                const auto& ours = scroll->second.first;
                bool pass = ours.stepMax >= 0 && ours.stepMax < 16;
                std::printf("%-4s scroll step < 16 ms: %s (mean %.2f ms, max %.2f ms)\n", shape, pass ? "PASS" : "FAIL",
                            ours.stepMean, ours.stepMax);
            }
        }
    }

private:
    struct Figures {
        double ms = -1;
        double stepMean = -1;
        double stepMax = -1;
    };
    std::vector<std::string> order_;
    std::map<std::string, std::pair<Figures, Figures>> table_;  // ours, peer
};

// Takes --parents=N, --children=N and --flat=N out of the arguments Google
// Benchmark did not know.
bool TakeArguments(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--parents=", 10) == 0) {
            gParents = std::atoi(argv[i] + 10);
        } else if (std::strncmp(argv[i], "--children=", 11) == 0) {
            gChildren = std::atoi(argv[i] + 11);
        } else if (std::strncmp(argv[i], "--flat=", 7) == 0) {
            gFlat = std::atoi(argv[i] + 7);
        } else {
            std::fprintf(stderr, "unknown argument: %s\n", argv[i]);
            return false;
        }
    }
    return gParents > 0 && gChildren > 0 && gFlat > 0;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!TakeArguments(argc, argv)) return 2;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int appArgc = 1;
    static char appName[] = "report_control_benchmark";
    static char* appArgv[] = {appName, nullptr};
    ui::Application application(appArgc, appArgv);

    // The texts, and one untimed round of each side, so that no case pays
    // for the heap's first growth.
    for (bool tree : {true, false}) {
        for (Kind kind : {Kind::ours, Kind::peer}) {
            std::unique_ptr<Side> side = MakeSide(kind);
            side->Fill(Nodes(tree));
            side->Paint();
        }
    }

    struct Case {
        Op op;
        bool tree;
        int iterations;
    };
    const Case cases[] = {
        {Op::populate, true, 5},  {Op::populate, false, 5},  {Op::expandAll, true, 3},
        {Op::selectAll, true, 3}, {Op::selectAll, false, 3}, {Op::sort, true, 3},
        {Op::sort, false, 3},     {Op::scroll, true, 1},     {Op::scroll, false, 1},
    };
    for (const Case& c : cases) {
        for (Kind kind : {Kind::ours, Kind::peer}) {
            std::string name =
                std::string(OpName(c.op)) + (c.tree ? "/tree/" : "/flat/") + (kind == Kind::ours ? "ours" : "peer");
            benchmark::RegisterBenchmark(name.c_str(), RunCase, kind, c.tree, c.op)
                ->Iterations(c.iterations)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
    }
    SideBySideReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSideBySide();
    benchmark::Shutdown();
    return gFailed ? 1 : 0;
}
