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

// A control's place in twips: left, top, width, height.
struct Place {
  int left;
  int top;
  int width;
  int height;
};

constexpr Place kServerLabelPlace = {120,   0,    7215,  3495};
constexpr Place kStepLabelPlace   = {120,   3600, 14055, 615};
constexpr Place kErrorGridPlace   = {7440,  120,  7695,  3495};
constexpr Place kButtonPlace      = {14280, 3720, 855,   495};
constexpr Place kPicturePlace     = {3600,  6240, 7335,  3615};
constexpr Place kImagePlace       = {0,     0,    15255, 11055};

// Widths of the error grid's columns UpTime, Module, Message, Updated, Rno.
constexpr int kErrorColumnTwips[ErrorRowsModel::kColumnCount] = {800, 2000, 4200, 0, 0};

constexpr int kLabelPointSize = 18;
constexpr double kButtonPointSize = 8.25;
constexpr const char* kDateFormat = "dd/MMM/yyyy";

void place(QWidget* widget, const Place& twips) {
  widget->setGeometry(pixels(twips.left), pixels(twips.top), pixels(twips.width),
                      pixels(twips.height));
}

QString displayText(const std::string& caption) {
  QString text = QString::fromStdString(caption);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

QLabel* makeStatusLabel(QWidget* parent, const char* name, const Place& where) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QFont font(QStringLiteral("Sans Serif"));
  font.setPointSize(kLabelPointSize);
  label->setFont(font);
  label->setStyleSheet(QStringLiteral(
      "QLabel { background-color: rgba(255, 255, 255, 190); color: #1d2b3a; }"));
  place(label, where);
  return label;
}

QPushButton* makeButton(QWidget* parent, const char* name, const char* text, const char* face) {
  auto* button = new QPushButton(QString::fromLatin1(text), parent);
  button->setObjectName(QString::fromLatin1(name));
  QFont font(QStringLiteral("Sans Serif"));
  font.setPointSizeF(kButtonPointSize);
  font.setBold(true);
  button->setFont(font);
  button->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; border: 1px solid "
                                       "#5a5a5a; border-radius: 3px; }")
                            .arg(QString::fromLatin1(face)));
  place(button, kButtonPlace);
  return button;
}

// UpTime, Module and Message at their widths; Updated and Rno hidden.
void sizeErrorColumns(QTableView* grid) {
  for (int column = 0; column < ErrorRowsModel::kColumnCount; ++column) {
    int width = pixels(kErrorColumnTwips[column]);
    grid->setColumnHidden(column, width == 0);
    if (width > 0) grid->setColumnWidth(column, width);
  }
}

QDateEdit* makeHiddenDate(QWidget* parent, const char* name, const DateTime& date) {
  auto* edit = new QDateEdit(QDate(date.year, date.month, date.day), parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setDisplayFormat(QString::fromLatin1(kDateFormat));
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
  errorGrid_->verticalHeader()->setDefaultSectionSize(20);
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

  startButton_ = makeButton(this, "cmdstart", "Start", "#b4f0a8");
  stopButton_ = makeButton(this, "cmdstop", "Stop", "#f6b2ac");
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
  startButton_->hide();
  stopButton_->show();
  startButton_->repaint();
  stopButton_->repaint();
  timer_->start();
}

void AgentWindow::stopPressed() {
  startButton_->show();
  stopButton_->hide();
  startButton_->repaint();
  stopButton_->repaint();
  timer_->stop();
}

void AgentWindow::runTick() {
  QElapsedTimer took;
  took.start();
  cycle_.tick();
  // A tick longer than the interval leaves the timer due at once, and the
  // toolkit may serve it before a Stop pressed during the tick. Counting the
  // interval afresh lets that press be handled first, so no tick follows it.
  if (timer_->isActive() && took.elapsed() >= timer_->interval()) timer_->start();
}

void AgentWindow::showServerCaption(const std::string& caption) {
  serverLabel_->setText(displayText(caption));
  serverLabel_->repaint();
  repaint();
}

void AgentWindow::showStepStatus(const std::string& status) {
  stepLabel_->setText(displayText(status));
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
  unlogged_.push_back(std::to_string(failure.number()) + "-" + failure.description());
  showUnlogged();
  qWarning("velmora-agent: unlogged failure %d: %s", static_cast<int>(failure.number()),
           failure.description().c_str());
}

void AgentWindow::tickEnded(int /*tickNumber*/) {
  if (unlogged_.empty()) return;
  showUnlogged();
  unlogged_.clear();
}

void AgentWindow::showUnlogged() {
  std::string text = "Not logged: ";
  for (std::size_t i = 0; i < unlogged_.size(); ++i) text += (i ? " | " : "") + unlogged_[i];
  showStepStatus(text);
}

}  // namespace velmora::shell
