// Drags inside the application: custom pasteboard types, the destination's calls
// in order, source identity, operation masks, slide-back, and Qt's drag events.

#include "platform/kit/Animation.h"
#include "platform/kit/DragDestination.h"
#include "platform/kit/DragSession.h"
#include "platform/kit/DragSource.h"
#include "platform/kit/Event.h"
#include "platform/kit/Pasteboard.h"
#include "platform/kit/Sheet.h"
#include "platform/kit/View.h"
#include "platform/kit/Window.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>

#include <gtest/gtest.h>

#include <memory>

using namespace kit;

namespace {

const QString kCellType = QStringLiteral("YearView YearViewCell");

// A view that starts a drag of a 20 by 10 image on a mouse-down.
class SourceView : public View, public DragSource {
public:
    explicit SourceView(const QRectF& f) : View(f) {}
    bool acceptsFirstMouse(const Event&) override { return true; }
    void mouseDown(const Event& e) override {
        auto board = Pasteboard::dragPasteboard();
        board->declareTypes({kCellType}, this);
        board->setData(QByteArray(), kCellType);
        QImage image(20, 10, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::red);
        result = DragSession::dragImage(image, QPointF(5, 5), this, e, board, this, slideBack);
    }
    unsigned draggingSourceOperationMaskForLocal(bool local) override {
        return local ? mask : DragOperation::None;
    }
    void draggedImageEndedAtOperation(const QImage&, const QPointF& at, unsigned op) override {
        endedOp = op;
        endedAt = at;
        ++ends;
    }
    unsigned mask = DragOperation::Every;
    bool slideBack = true;
    unsigned result = 99;
    unsigned endedOp = 99;
    QPointF endedAt;
    int ends = 0;
};

// A drop target that takes drags only from `expectedSource`, answering `answer`,
// and records its calls.
class TargetView : public View, public DragDestination {
public:
    explicit TargetView(const QRectF& f, const QStringList& types = {kCellType}) : View(f) {
        registerForDraggedTypes(types);
    }
    unsigned draggingEntered(const DraggingInfo& info) override {
        calls << "entered";
        lastSource = info.draggingSource();
        lastLocation = info.draggingLocation();
        if (expectedSource && info.draggingSource() != expectedSource) return DragOperation::None;
        return answer;
    }
    unsigned draggingUpdated(const DraggingInfo& info) override {
        calls << "updated";
        return DragDestination::draggingUpdated(info);
    }
    void draggingExited(const DraggingInfo&) override { calls << "exited"; }
    bool prepareForDragOperation(const DraggingInfo&) override {
        calls << "prepare";
        eventAtDrop = Event::currentEvent();
        return prepare;
    }
    bool performDragOperation(const DraggingInfo& info) override {
        calls << "perform";
        types = info.draggingPasteboard()->types();
        return true;
    }
    void concludeDragOperation(const DraggingInfo&) override { calls << "conclude"; }
    void draggingEnded(const DraggingInfo&) override { calls << "ended"; }

    QObject* expectedSource = nullptr;
    unsigned answer = DragOperation::Move;
    bool prepare = true;
    QStringList calls;
    QObject* lastSource = nullptr;
    QPointF lastLocation;
    QStringList types;
    Event eventAtDrop;
};

// Installs a driver for the test's lifetime.
struct Driven {
    explicit Driven(DragSession::Driver d) { DragSession::setDriverForTesting(std::move(d)); }
    ~Driven() { DragSession::setDriverForTesting({}); }
};

struct Scene {
    Scene() : window(QRectF(100, 100, 400, 300)) {
        source = new SourceView(QRectF(10, 10, 100, 100));
        target = new TargetView(QRectF(200, 10, 150, 150));
        window.contentView()->addSubview(source);
        window.contentView()->addSubview(target);
        target->expectedSource = source;
        window.makeKeyAndOrderFront();
        Animation::setInstantForTesting(true);
    }
    ~Scene() {
        Animation::setInstantForTesting(false);
        window.orderOut();
    }
    void pressSource() {
        window.sendEvent(Event::mouseEvent(EventType::LeftMouseDown, QPointF(30, 40)));
        window.sendEvent(Event::mouseEvent(EventType::LeftMouseUp, QPointF(30, 40)));
    }
    Window window;
    SourceView* source;
    TargetView* target;
};

}  // namespace

TEST(Drag, BetweenTwoViewsWithACustomTypeRunsTheDestinationsCallsInOrder) {
    Scene s;
    unsigned overTarget = 0, dropped = 0;
    const DraggingInfo* seen = nullptr;
    Driven driven([&](DragSession& d) {
        seen = &d.draggingInfo();
        d.moveTo(&s.window, QPointF(60, 60));  // still over the source: no target
        overTarget = d.moveTo(&s.window, QPointF(250, 50));
        d.moveTo(&s.window, QPointF(260, 60));
        dropped = d.drop();
    });
    s.pressSource();
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(overTarget, DragOperation::Move);
    EXPECT_EQ(dropped, DragOperation::Move);
    EXPECT_EQ(s.source->result, DragOperation::Move);
    EXPECT_EQ(s.target->calls,
              QStringList({"entered", "updated", "prepare", "perform", "conclude", "ended"}));
    EXPECT_EQ(s.target->lastSource, s.source);
    EXPECT_EQ(s.target->lastLocation, QPointF(250, 50));
    EXPECT_EQ(s.target->types, QStringList({kCellType}));
    EXPECT_EQ(s.source->endedOp, DragOperation::Move);
    EXPECT_EQ(s.source->ends, 1);
    EXPECT_EQ(DragSession::current(), nullptr);
}

TEST(Drag, ADropNobodyTakesSlidesTheImageBackAndTellsTheSourceNone) {
    struct Case {
        const char* name;
        bool prepare;    // what the target answers at the drop
        QPointF dropAt;  // in the window
        bool slideBack;
        QStringList targetCalls;
    };
    const Case cases[] = {
        {"outside any target", true, QPointF(150, 250), true, {}},
        {"refused at prepare", false, QPointF(250, 50), true, {"entered", "prepare", "ended"}},
        {"without slide-back", true, QPointF(150, 250), false, {}},
    };
    for (const Case& c : cases) {
        Scene s;
        s.target->prepare = c.prepare;
        s.source->slideBack = c.slideBack;
        std::unique_ptr<DragSession*> session = std::make_unique<DragSession*>(nullptr);
        QPointF start, endedAt, after;
        bool slid = false;
        Driven driven([&](DragSession& d) {
            start = d.imageLocationOnScreen();
            d.moveTo(&s.window, c.dropAt);
            d.drop();
            endedAt = d.endedLocationOnScreen();
            after = d.imageLocationOnScreen();
            slid = d.slidBack();
        });
        s.pressSource();
        EXPECT_EQ(s.source->result, DragOperation::None) << c.name;
        EXPECT_EQ(s.source->endedOp, DragOperation::None) << c.name;
        EXPECT_EQ(s.target->calls, c.targetCalls) << c.name;
        EXPECT_EQ(slid, c.slideBack) << c.name;
        // The image's corner was at (15, 15) of the window, the pointer at
        // (30, 40): it ended 15 and 25 points left of and below the pointer.
        const QPointF pointer = s.window.convertPointToScreen(c.dropAt);
        EXPECT_EQ(endedAt, pointer + QPointF(-15, -25)) << c.name;
        EXPECT_EQ(s.source->endedAt, endedAt) << c.name;
        EXPECT_EQ(after, c.slideBack ? start : endedAt) << c.name;
        EXPECT_EQ(start, s.window.convertPointToScreen(QPointF(15, 15))) << c.name;
    }
}

TEST(Drag, OperationsAreWhatTheTargetAnswersWithinTheSourcesMask) {
    struct Case {
        unsigned mask;
        unsigned answer;
        unsigned expected;
    };
    const Case cases[] = {
        {DragOperation::Every, DragOperation::Move, DragOperation::Move},
        {DragOperation::Copy, DragOperation::Move, DragOperation::None},
        {DragOperation::Copy | DragOperation::Move, DragOperation::Copy | DragOperation::Move,
         DragOperation::Copy},
        {DragOperation::Every, DragOperation::None, DragOperation::None},
    };
    for (const Case& c : cases) {
        Scene s;
        s.source->mask = c.mask;
        s.target->answer = c.answer;
        unsigned over = 99;
        Driven driven([&](DragSession& d) {
            over = d.moveTo(&s.window, QPointF(250, 50));
            d.drop();
        });
        s.pressSource();
        EXPECT_EQ(over, c.expected) << c.mask << " " << c.answer;
        EXPECT_EQ(s.source->result, c.expected);
        EXPECT_EQ(s.target->calls.contains("perform"), c.expected != DragOperation::None);
    }
}

TEST(Drag, ATargetAcceptsOnlyDragsItsOwnPageStarted) {
    Scene s;
    auto* stranger = new SourceView(QRectF(10, 150, 100, 100));
    s.window.contentView()->addSubview(stranger);
    unsigned over = 99;
    Driven driven([&](DragSession& d) {
        over = d.moveTo(&s.window, QPointF(250, 50));
        d.drop();
    });
    s.window.sendEvent(Event::mouseEvent(EventType::LeftMouseDown, QPointF(30, 180)));
    s.window.sendEvent(Event::mouseEvent(EventType::LeftMouseUp, QPointF(30, 180)));
    EXPECT_EQ(s.target->lastSource, stranger);
    EXPECT_EQ(over, DragOperation::None);
    EXPECT_EQ(stranger->result, DragOperation::None);
    EXPECT_FALSE(s.target->calls.contains("perform"));
}

TEST(Drag, TheNearestViewRegisteredForTheTypeTakesItAndMovingOnExitsIt) {
    Scene s;
    // A view inside the target registered for another type: the target answers.
    auto* inner = new TargetView(QRectF(10, 10, 50, 50), {"text/plain"});
    s.target->addSubview(inner);
    auto* other = new TargetView(QRectF(10, 150, 100, 100));
    s.window.contentView()->addSubview(other);
    View* first = nullptr;
    View* second = nullptr;
    Driven driven([&](DragSession& d) {
        d.moveTo(&s.window, QPointF(220, 30));  // over the inner view
        first = d.destinationView();
        d.moveTo(&s.window, QPointF(30, 180));  // over the other target
        second = d.destinationView();
        d.cancel();
    });
    s.pressSource();
    EXPECT_EQ(first, s.target);
    EXPECT_EQ(second, other);
    EXPECT_TRUE(inner->calls.isEmpty());
    EXPECT_EQ(s.target->calls, QStringList({"entered", "exited"}));
    EXPECT_EQ(other->calls, QStringList({"entered", "exited"}));  // cancelled: left, not ended
    EXPECT_EQ(s.source->result, DragOperation::None);
}

TEST(Drag, AWindowHeldBackByASheetTakesNoDrops) {
    Scene s;
    Window sheet(QRectF(0, 0, 100, 50));
    Window other(QRectF(600, 100, 200, 200));
    auto* otherTarget = new TargetView(QRectF(0, 0, 200, 200));
    other.contentView()->addSubview(otherTarget);
    other.orderFront();
    unsigned over = 99;
    Driven driven([&](DragSession& d) {
        ASSERT_TRUE(Sheet::beginSheet(&sheet, &s.window));
        over = d.moveTo(&s.window, QPointF(250, 50));
        Sheet::endSheet(&sheet);
        d.moveTo(&other, QPointF(50, 50));
        d.drop();
    });
    s.pressSource();
    EXPECT_EQ(over, DragOperation::None);
    EXPECT_TRUE(s.target->calls.isEmpty());
    // Another window's target takes it (it does not check the source).
    EXPECT_EQ(s.source->result, DragOperation::Move);
    EXPECT_TRUE(otherTarget->calls.contains("perform"));
    other.orderOut();
}

TEST(Drag, PasteboardTypesTravelAsMimeTypesAndBack) {
    Pasteboard board;
    board.declareTypes({kCellType, Pasteboard::stringType()}, nullptr);
    EXPECT_TRUE(board.setData(QByteArray(), kCellType));
    EXPECT_TRUE(board.setString("Birthday", Pasteboard::stringType()));
    EXPECT_FALSE(board.setData("x", "application/x-undeclared"));
    EXPECT_EQ(board.availableTypeFromArray({"image/png", kCellType}), kCellType);

    const QString mime = Pasteboard::mimeTypeForType(kCellType);
    EXPECT_TRUE(mime.startsWith("application/"));
    EXPECT_FALSE(mime.contains(' '));
    EXPECT_EQ(Pasteboard::typeForMimeType(mime), kCellType);
    EXPECT_EQ(Pasteboard::mimeTypeForType("text/plain"), "text/plain");

    const auto data = board.toMimeData();
    EXPECT_TRUE(data->hasFormat(mime));
    const auto back = Pasteboard::withMimeData(data.get());
    EXPECT_TRUE(back->hasType(kCellType));
    EXPECT_EQ(back->stringForType(Pasteboard::stringType()), "Birthday");
    // Declaring clears.
    const int before = board.changeCount();
    EXPECT_GT(board.declareTypes({"text/uri-list"}, nullptr), before);
    EXPECT_FALSE(board.hasType(kCellType));
}

TEST(Drag, QtDragsFromOtherProgramsReachTheTargetWithoutASource) {
    Window window(QRectF(100, 100, 300, 200));
    auto* target = new TargetView(QRectF(0, 0, 300, 200));
    window.contentView()->addSubview(target);
    window.orderFront();
    QMimeData data;
    data.setData(Pasteboard::mimeTypeForType(kCellType), QByteArray());
    const QPoint at(40, 50);  // widget pixels: y downwards
    QDragEnterEvent enter(at, Qt::MoveAction | Qt::CopyAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::MoveAction);
    EXPECT_EQ(target->lastSource, nullptr);
    EXPECT_EQ(target->lastLocation, QPointF(40, 150));  // window coordinates: y upwards
    QDropEvent drop(QPointF(at), Qt::MoveAction | Qt::CopyAction, &data, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(target->calls,
              QStringList({"entered", "updated", "prepare", "perform", "conclude", "ended"}));
    window.orderOut();
}

// What the destination reads as the event being handled while it takes the drop
// (a menu it pops up there is placed by it) is the release where the drag ended,
// not the press that started it.
TEST(Drag, TheDropIsTheEventBeingHandledWhileTheDestinationTakesIt) {
    Scene s;
    Driven driven([&](DragSession& d) {
        d.moveTo(&s.window, QPointF(250, 50));
        d.moveTo(&s.window, QPointF(260, 60));
        d.drop();
    });
    s.pressSource();
    EXPECT_EQ(s.target->eventAtDrop.type(), EventType::LeftMouseUp);
    EXPECT_EQ(s.target->eventAtDrop.locationInWindow(), QPointF(260, 60));
    EXPECT_EQ(s.target->eventAtDrop.window(), &s.window);
}
