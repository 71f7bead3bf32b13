#include "shell/agent_window.h"

#include <QDate>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFont>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <QtGlobal>

#include "shell/agent_window_models.h"
#include "shell/startup.h"

// The window's artwork lives in a static library: register it explicitly.
static void initWindowResources() { Q_INIT_RESOURCE(agent_window); }

namespace velmora::shell {

namespace {

void place(QWidget* widget, const Place& twips) {
  widget->setGeometry(pixels(twips.left), pixels(twips.top), pixels(twips.width),
                      pixels(twips.height));
}

QString labelText(const std::string& caption) {
  return QString::fromStdString(displayText(caption));
}

QString colour(unsigned rgb) {
  return QStringLiteral("#%1").arg(rgb, 6, 16, QLatin1Char('0'));
}

QLabel* makeStatusLabel(QWidget* parent, const char* name, const Place& where) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QFont font(QStringLiteral("Sans Serif"));
  font.setPointSize(kLabelPointSize);
  label->setFont(font);
  label->setStyleSheet(QStringLiteral("QLabel { background-color: rgba(%1, %2, %3, %4); color: %5; }")
                           .arg((kLabelBackground >> 16) & 0xff)
                           .arg((kLabelBackground >> 8) & 0xff)
                           .arg(kLabelBackground & 0xff)
                           .arg(kLabelBackgroundAlpha)
                           .arg(colour(kLabelText)));
  place(label, where);
  return label;
}

QPushButton* makeButton(QWidget* parent, const char* name, std::string_view text, unsigned face) {
  auto* button = new QPushButton(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())), parent);
  button->setObjectName(QString::fromLatin1(name));
  QFont font(QStringLiteral("Sans Serif"));
  font.setPointSizeF(kButtonPointSize);
  font.setBold(true);
  button->setFont(font);
  button->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; border: 1px solid "
                                       "#5a5a5a; border-radius: 3px; }")
                            .arg(colour(face)));
  place(button, kButtonPlace);
  return button;
}

// UpTime, Module and Message at their widths; Updated and Rno hidden.
void sizeErrorColumns(QTableView* grid) {
  for (int column = 0; column < kErrorColumnCount; ++column) {
    int width = pixels(kErrorColumns[static_cast<std::size_t>(column)].widthTwips);
    grid->setColumnHidden(column, width == 0);
    if (width > 0) grid->setColumnWidth(column, width);
  }
}

QDateEdit* makeHiddenDate(QWidget* parent, const char* name, const DateTime& date) {
  auto* edit = new QDateEdit(QDate(date.year, date.month, date.day), parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setDisplayFormat(QString::fromLatin1(kYearDateFormat.data(),
                                             static_cast<qsizetype>(kYearDateFormat.size())));
  edit->hide();
  return edit;
}

}  // namespace

AgentWindow::AgentWindow(AgentContext& context, ConnectCentralFn connectCentral,
                         const std::string& caption, QWidget* parent)
    : QWidget(parent), cycle_(context, *this, std::move(connectCentral)) {
  initWindowResources();
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QString::fromStdString(caption));
  setWindowIcon(QIcon(QStringLiteral(":/velmora/logo.png")));
  setFixedSize(pixels(kImagePlace.width), pixels(kImagePlace.height));
  buildControls(context.headOffices, context.settings);
}

AgentWindow::~AgentWindow() = default;

void AgentWindow::buildControls(const std::vector<HeadOfficeRow>& headOffices,
                                const Settings& settings) {
  image_ = new QLabel(this);
  image_->setObjectName(QStringLiteral("Image1"));
  image_->setPixmap(QPixmap(QStringLiteral(":/velmora/background.png")));
  image_->setScaledContents(true);
  place(image_, kImagePlace);
  image_->lower();

  picture_ = new QLabel(this);
  picture_->setObjectName(QStringLiteral("Picture1"));
  picture_->setPixmap(QPixmap(QStringLiteral(":/velmora/logo.png")));
  picture_->setScaledContents(true);
  place(picture_, kPicturePlace);

  serverLabel_ = makeStatusLabel(this, "txtserver", kServerLabelPlace);
  serverLabel_->setWordWrap(true);
  stepLabel_ = makeStatusLabel(this, "TxtTable", kStepLabelPlace);

  errorRows_ = new ErrorRowsModel(this);
  errorGrid_ = new QTableView(this);
  errorGrid_->setObjectName(QStringLiteral("DataGrid1"));
  errorGrid_->setModel(errorRows_);
  errorGrid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  errorGrid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  errorGrid_->verticalHeader()->setDefaultSectionSize(kErrorRowHeightPixels);
  errorGrid_->verticalHeader()->setVisible(false);
  sizeErrorColumns(errorGrid_);
  place(errorGrid_, kErrorGridPlace);

  headOfficeRows_ = new QStandardItemModel(this);
  fillHeadOfficeModel(*headOfficeRows_, headOffices);
  headOfficeGrid_ = new QTableView(this);
  headOfficeGrid_->setObjectName(QStringLiteral("MsfRate"));
  headOfficeGrid_->setModel(headOfficeRows_);
  for (std::size_t column = 0; column < kHeadOfficeHeader.size(); ++column) {
    headOfficeGrid_->setColumnWidth(static_cast<int>(column),
                                    pixels(kHeadOfficeHeader[column].widthTwips));
  }
  headOfficeGrid_->hide();

  yearStart_ = makeHiddenDate(this, "dtpfrdate", settings.yearStart);
  yearEnd_ = makeHiddenDate(this, "dtptodate", settings.yearEnd);

  startButton_ = makeButton(this, "cmdstart", kStartText, kStartFace);
  stopButton_ = makeButton(this, "cmdstop", kStopText, kStopFace);
  setTabOrder(startButton_, stopButton_);
  stopButton_->hide();

  timer_ = new QTimer(this);
  timer_->setObjectName(QStringLiteral("Timer1"));
  timer_->setInterval(kTimerIntervalMs);

  connect(startButton_, &QPushButton::clicked, this, &AgentWindow::startPressed);
  connect(stopButton_, &QPushButton::clicked, this, &AgentWindow::stopPressed);
  connect(timer_, &QTimer::timeout, this, &AgentWindow::runTick);
}

void AgentWindow::startPressed() {
  state_.start();
  showButtons();
  timer_->start();
}

void AgentWindow::stopPressed() {
  state_.stop();
  showButtons();
  timer_->stop();
}

void AgentWindow::showButtons() {
  startButton_->setVisible(state_.startShown());
  stopButton_->setVisible(state_.stopShown());
  startButton_->repaint();
  stopButton_->repaint();
}

void AgentWindow::runTick() {
  QElapsedTimer took;
  took.start();
  cycle_.tick();
  if (timer_->isActive() && state_.restartTimerAfterTick(took.elapsed(), timer_->interval())) {
    timer_->start();
  }
}

void AgentWindow::showServerCaption(const std::string& caption) {
  serverLabel_->setText(labelText(caption));
  serverLabel_->repaint();
  repaint();
}

void AgentWindow::showStepStatus(const std::string& status) {
  stepLabel_->setText(labelText(status));
  stepLabel_->repaint();
  repaint();
}

void AgentWindow::showErrorRows(const std::vector<ErrorDisplayRow>& rows) {
  errorRows_->setRows(rows);
  sizeErrorColumns(errorGrid_);
  errorGrid_->repaint();
}

void AgentWindow::reportUnloggedFailure(const Failure& failure) {
  // The error table could not take the row: the status label is the one
  // place left where the operator sees it.
  unlogged_.add(failure);
  showStepStatus(unlogged_.text());
  qWarning("velmora-agent: unlogged failure %d: %s", static_cast<int>(failure.number()),
           failure.description().c_str());
}

void AgentWindow::tickEnded(int /*tickNumber*/) {
  if (unlogged_.empty()) return;
  showStepStatus(unlogged_.text());
  unlogged_.clear();
}

}  // namespace velmora::shell
