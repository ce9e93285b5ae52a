#include "qt/window/formaccessible.h"
#include "qt/window/formwidget.h"

#include "fakes.h"

#include <QAccessible>
#include <QTest>

#include <gtest/gtest.h>

using namespace drillix;

namespace {

struct Node {
    QString name;
    QAccessible::Role role;
};

QList<Node> children(QWidget &window)
{
    QList<Node> nodes;
    QAccessibleInterface *root = QAccessible::queryAccessibleInterface(&window);
    for (int i = 0; root && i < root->childCount(); ++i) {
        QAccessibleInterface *c = root->child(i);
        if (c && !c->state().invisible)
            nodes.push_back({c->text(QAccessible::Name), c->role()});
    }
    return nodes;
}

bool has(const QList<Node> &nodes, const QString &name, QAccessible::Role role)
{
    return std::any_of(nodes.begin(), nodes.end(), [&](const Node &n) { return n.name == name && n.role == role; });
}

} // namespace

TEST(Accessibility, NamesButtonsAndAnswersAreExposed)
{
    QAccessible::installFactory(&FormAccessible::factory);
    test::Quiz quiz;
    FormWidget window(quiz.form());
    quiz.load();
    window.showWithFocus();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    QAccessibleInterface *root = QAccessible::queryAccessibleInterface(&window);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->role(), QAccessible::Window);
    EXPECT_EQ(root->text(QAccessible::Name), QStringLiteral("Veltmora Drillix"));

    QList<Node> nodes = children(window);
    EXPECT_TRUE(has(nodes, QStringLiteral("Restart"), QAccessible::Button));
    EXPECT_TRUE(has(nodes, QStringLiteral("Exit"), QAccessible::Button));
    for (const std::string &name : test::countryNames())
        EXPECT_TRUE(has(nodes, QString::fromStdString(name), QAccessible::StaticText)) << name;
    EXPECT_FALSE(has(nodes, QStringLiteral("*************"), QAccessible::StaticText)) << "hidden answers are not read out";

    // A placed name leaves the column and shows on the map: still one "Japan".
    quiz.dragLabelToTarget(8, 25);
    nodes = children(window);
    EXPECT_EQ(std::count_if(nodes.begin(), nodes.end(), [](const Node &n) { return n.name == "Japan"; }), 1);

    QAccessibleInterface *first = root->child(root->childCount() - 1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(root->indexOfChild(first), root->childCount() - 1);
    EXPECT_TRUE(first->rect().isValid());
}
