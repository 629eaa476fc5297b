// A gallery of the table and the outline: a table with picture, text and
// attributed cells, alternating rows, a selection and an open editor; an
// outline with groups, indented rows, a short spacer, a selection and a drop
// line. Rendered, saved for a person to look at, and checked where the
// geometry says rows and marks are drawn.

#include "KitTestViews.h"
#include "TableTestViews.h"
#include "platform/kit/AttributedString.h"
#include "platform/kit/Color.h"
#include "platform/kit/DragSession.h"
#include "platform/kit/Event.h"
#include "platform/kit/Font.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/ImageCell.h"
#include "platform/kit/TextFieldCell.h"
#include "support/TestSupport.h"

#include <QPainter>

#include <gtest/gtest.h>

using namespace kit;
using namespace kittest;
using testsupport::colorNear;
using testsupport::pixel;
using testsupport::saveForInspection;

namespace {

// Names with a coloured dot, a date and, every third row, a bold name.
struct GallerySource final : TableViewDataSource {
    int numberOfRowsInTableView(TableView*) override { return 40; }
    QVariant tableViewObjectValueForTableColumnRow(TableView*, TableColumn* column,
                                                   int row) override {
        const QString id = column->identifier();
        if (id == QLatin1String("type")) {
            QImage dot(12, 12, QImage::Format_ARGB32_Premultiplied);
            dot.fill(Qt::transparent);
            QPainter p(&dot);
            p.setRenderHint(QPainter::Antialiasing);
            p.setBrush(QColor::fromHsv((row * 47) % 360, 200, 220));
            p.setPen(Qt::NoPen);
            p.drawEllipse(1, 1, 10, 10);
            return dot;
        }
        if (id == QLatin1String("date"))
            return QStringLiteral("%1.%2.").arg(row % 28 + 1).arg(row % 12 + 1);
        const QString name = QStringLiteral("Person number %1").arg(row);
        if (row % 3 != 0) return name;
        AttributedString text(name,
                              TextAttributes(Font::boldSystemFont(11), Color::rgb(0.6, 0.1, 0.1)));
        text.append(QStringLiteral(" (family)"),
                    TextAttributes(Font::systemFont(11), Color::gray()));
        return QVariant::fromValue(text);
    }
};

// The image point of a table point (the table fills the window's content).
QPoint imagePoint(const View* view, const View* root, const QPointF& p) {
    const QPointF q = view->convertPointToView(p, root);
    return QPoint(int(q.x()), int(root->bounds().height() - q.y()));
}

}  // namespace

TEST(Gallery, TableWithPictureTextAndAttributedCells) {
    GallerySource source;
    auto* table = new TableView;
    table->setRowHeight(18);
    table->setUsesAlternatingRowBackgroundColors(true);
    table->setAllowsMultipleSelection(true);
    auto type = std::make_unique<TableColumn>(QStringLiteral("type"));
    type->setWidth(24);
    type->setEditable(false);
    type->setDataCell(std::make_unique<ImageCell>());
    table->addTableColumn(std::move(type));
    table->addTableColumn(QStringLiteral("date"), 60);
    table->addTableColumn(QStringLiteral("who"), 150);
    table->setDataSource(&source);
    TableWindow scene(table, QSizeF(300, 200));
    table->selectRowIndexes({2, 4}, false);
    table->editColumnRow(2, 6, nullptr, false);

    View* root = scene.window.contentView();
    const QImage img = root->renderToImage();
    saveForInspection(img, QStringLiteral("gallery-table"));
    // The selected rows are blue behind their text, the odd rows tinted, the
    // even ones white.
    const QRectF row2 = table->rectOfRow(2);
    const QPoint inRow2 = imagePoint(table, root, QPointF(maxX(row2) - 40, row2.center().y()));
    const QColor selected = pixel(img, inRow2.x(), inRow2.y());
    EXPECT_GT(selected.blue(), selected.red() + 60) << selected.name().toStdString();
    const QPoint odd = imagePoint(
        table, root, QPointF(maxX(table->rectOfRow(1)) - 40, table->rectOfRow(1).center().y()));
    const QPoint even = imagePoint(
        table, root, QPointF(maxX(table->rectOfRow(0)) - 40, table->rectOfRow(0).center().y()));
    EXPECT_TRUE(colorNear(pixel(img, odd.x(), odd.y()), Color::rgb(0.94, 0.95, 0.97), 4));
    EXPECT_TRUE(colorNear(pixel(img, even.x(), even.y()), QColor(255, 255, 255), 2));
    // Each dot sits in the middle of its picture cell.
    const QPoint dot = imagePoint(table, root, table->frameOfCellAtColumnRow(0, 1).center());
    EXPECT_GT(pixel(img, dot.x(), dot.y()).saturation(), 120);
    // Text in the name cells of unselected rows.
    const QRectF name = table->frameOfCellAtColumnRow(2, 3);
    int ink = 0;
    for (int x = int(name.x()); x < int(name.x()) + 60; ++x) {
        const QPoint p = imagePoint(table, root, QPointF(x, name.center().y()));
        ink += pixel(img, p.x(), p.y()).lightness() < 160;
    }
    EXPECT_GT(ink, 3);
    table->setDataSource(nullptr);
}

TEST(Gallery, OutlineWithGroupsSelectionAndADropLine) {
    TreeSource source({3, 4});
    auto* outline = new OutlineView;
    outline->setRowHeight(18);
    outline->setIntercellSpacing(QSizeF(0, 0));
    outline->addTableColumn(QStringLiteral("name"), 180);
    outline->setDelegate(&source);
    outline->setDataSource(&source);
    outline->expandItem(source.group(0));
    outline->expandItem(source.group(1));
    outline->registerForDraggedTypes({TreeSource::kDragType});
    TableWindow scene(outline, QSizeF(200, 230));
    outline->selectRow(outline->rowForItem(source.group(1)->children[1]));
    View* root = scene.window.contentView();
    const QImage plain = root->renderToImage();
    saveForInspection(plain, QStringLiteral("gallery-outline"));
    const QRectF sel = outline->rectOfRow(outline->selectedRow());

    // A drag of Item 1.3 over the top of Item 1.0 shows a line there.
    QImage dropping;
    DragSession::setDriverForTesting([&](DragSession& d) {
        const QRectF target = outline->rectOfRow(outline->rowForItem(source.group(1)->children[0]));
        d.moveTo(&scene.window, outline->convertPointToView(QPointF(90, target.y() + 2), nullptr));
        dropping = root->renderToImage();
        d.cancel();
    });
    const int from = outline->rowForItem(source.group(1)->children[3]);
    const QPointF press = outline->convertPointToView(outline->rectOfRow(from).center(), nullptr);
    scene.window.sendEvent(Event::mouseEvent(EventType::LeftMouseDown, press));
    scene.window.sendEvent(Event::mouseEvent(EventType::LeftMouseDragged, press + QPointF(0, 30)));
    scene.window.sendEvent(Event::mouseEvent(EventType::LeftMouseUp, press + QPointF(0, 30)));
    DragSession::setDriverForTesting({});
    ASSERT_FALSE(dropping.isNull());
    saveForInspection(dropping, QStringLiteral("gallery-outline-drop"));

    // The disclosure marks are drawn in grey at the groups' left edge.
    const QRectF mark = outline->frameOfOutlineCellAtRow(1);
    int markInk = 0;
    for (int y = int(mark.y()); y < int(maxY(mark)); ++y)
        for (int x = int(mark.x()); x < int(maxX(mark)); ++x) {
            const QPoint p = imagePoint(outline, root, QPointF(x + 0.5, y + 0.5));
            markInk += pixel(plain, p.x(), p.y()).lightness() < 180;
        }
    EXPECT_GT(markInk, 6);
    // The selected row is blue (greyed: the outline does not have the keys); the drop line lies on
    // the top edge of Item 1.0.
    const QPoint s = imagePoint(outline, root, QPointF(maxX(sel) - 4, sel.center().y()));
    EXPECT_GT(pixel(plain, s.x(), s.y()).blue(), pixel(plain, s.x(), s.y()).red() + 30);
    const QRectF target = outline->rectOfRow(outline->rowForItem(source.group(1)->children[0]));
    const QPoint line = imagePoint(outline, root, QPointF(120, target.y() + 0.5));
    EXPECT_GT(pixel(dropping, line.x(), line.y()).blue(), 150);
    EXPECT_LT(pixel(dropping, line.x(), line.y()).red(), 120);
    EXPECT_TRUE(colorNear(pixel(plain, line.x(), line.y()), QColor(255, 255, 255), 30));
    outline->setDataSource(nullptr);
    outline->setDelegate(nullptr);
}
