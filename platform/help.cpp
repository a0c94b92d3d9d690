#include "platform/help.h"

#include "platform/forms.h"

#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPointer>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QUrl>

namespace qv::platform {

namespace {
const char* kTopicProperty = "qvHelpTopic";
const QString kResource = QStringLiteral(":/qv/help/quorvel-help.md");
}  // namespace

const HelpTopic* HelpDocument::find(int number) const {
    for (const HelpTopic& t : topics)
        if (t.number == number) return &t;
    return nullptr;
}

HelpDocument HelpDocument::parse(const QString& markdown) {
    static const QRegularExpression comment(QStringLiteral("<!--.*?-->"),
                                            QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression heading(QStringLiteral("^##\\s+(\\d+)\\.\\s+(.*\\S)\\s*$"));
    QString text = markdown;
    text.remove(comment);

    HelpDocument doc;
    QStringList body;
    HelpTopic* topic = nullptr;
    auto flush = [&] {
        const QString joined = body.join(u'\n').trimmed();
        if (topic)
            topic->text = joined;
        else
            doc.introduction = joined;
        body.clear();
    };
    for (const QString& line : text.split(u'\n')) {
        if (doc.title.isEmpty() && !topic && line.startsWith(QLatin1String("# "))) {
            doc.title = line.mid(2).trimmed();
            continue;
        }
        const auto m = heading.match(line);
        if (m.hasMatch()) {
            flush();
            doc.topics.push_back({m.captured(1).toInt(), m.captured(2), {}});
            topic = &doc.topics.back();
            continue;
        }
        body << line;
    }
    flush();
    return doc;
}

const HelpDocument& HelpDocument::builtIn() {
    static const HelpDocument doc = [] {
        QFile f(kResource);
        if (!f.open(QIODevice::ReadOnly)) return HelpDocument{QStringLiteral("Help"), {}, {}};
        return parse(QString::fromUtf8(f.readAll()));
    }();
    return doc;
}

// ---- Window ---------------------------------------------------------------------

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window), doc_(HelpDocument::builtIn()) {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(doc_.title.isEmpty() ? QStringLiteral("Help") : doc_.title);
    setWindowModality(Qt::NonModal);
    setAttribute(Qt::WA_QuitOnClose, false);

    list_ = control<QListWidget>(this, QStringLiteral("lstTopics"));
    list_->addItem(QStringLiteral("Contents"));
    list_->item(0)->setData(Qt::UserRole, 0);
    for (const HelpTopic& t : doc_.topics) {
        auto* item = new QListWidgetItem(t.title, list_);
        item->setData(Qt::UserRole, t.number);
    }
    list_->setMaximumWidth(260);

    text_ = control<QTextBrowser>(this, QStringLiteral("txtHelp"));
    text_->setOpenLinks(false);
    connect(text_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.scheme() == QLatin1String("topic")) showTopic(url.path().toInt());
    });
    connect(list_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { select(item->data(Qt::UserRole).toInt()); });

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(text_, 1);
    resize(760, 480);
    select(0);
    // As every form: centred when it is made (and again once its frame is
    // known, centreOnce); after that it stays where the user puts it.
    centreOnScreen(this);
}

void HelpWindow::centreOnce() {
    if (centred_) return;
    centred_ = true;
    centreOnScreen(this);
}

void HelpWindow::select(int number) {
    const HelpTopic* t = number ? doc_.find(number) : nullptr;
    current_ = t ? number : 0;
    QString md;
    if (t) {
        md = QStringLiteral("## %1\n\n%2\n\n[Contents](topic:0)").arg(t->title, t->text);
    } else {
        md = QStringLiteral("## Contents\n\n%1\n\n").arg(doc_.introduction);
        for (const HelpTopic& topic : doc_.topics)
            md += QStringLiteral("- [%1](topic:%2)\n").arg(topic.title).arg(topic.number);
    }
    text_->setMarkdown(md);
    for (int i = 0; i < list_->count(); ++i) {
        if (list_->item(i)->data(Qt::UserRole).toInt() == current_) {
            QSignalBlocker block(list_);
            list_->setCurrentRow(i);
            break;
        }
    }
}

void HelpWindow::showTopic(int number) { select(number); }
void HelpWindow::showContents() { select(0); }
QString HelpWindow::currentText() const { return text_->toPlainText(); }

HelpWindow& helpWindow() {
    static QPointer<HelpWindow> window;
    if (!window) window = new HelpWindow;
    return *window;
}

void showHelp(int topic) {
    HelpWindow& w = helpWindow();
    w.showTopic(topic);
    showActivated(&w);
    w.centreOnce();
}

void showHelpContents() { showHelp(0); }

// ---- F1 ----------------------------------------------------------------------------

void setHelpTopic(QWidget* w, int topic) {
    if (w) w->setProperty(kTopicProperty, topic > 0 ? QVariant(topic) : QVariant());
}

int helpTopic(const QWidget* w) { return w ? w->property(kTopicProperty).toInt() : 0; }

namespace {

bool& helpEnabled() {
    static bool on = true;
    return on;
}

class HelpKey : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !helpEnabled()) return false;
        auto* ke = static_cast<QKeyEvent*>(event);
        if (ke->key() != Qt::Key_F1 || ke->modifiers() != Qt::NoModifier) return false;
        QWidget* w = QApplication::focusWidget();
        if (!w) w = qobject_cast<QWidget*>(watched);
        int topic = 0;
        for (; w && !topic; w = w->parentWidget()) topic = helpTopic(w);
        showHelp(topic);
        return true;
    }
};

}  // namespace

void installHelpKey() {
    static QPointer<HelpKey> key;
    if (key || !qApp) return;
    key = new HelpKey(qApp);
    qApp->installEventFilter(key);
}

void setHelpEnabled(bool on) { helpEnabled() = on; }

}  // namespace qv::platform
