#include "mainwindow.h"

#include "segy.h"

#include <QFile>

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), m_segy(new SEGY(nullptr, this))
{
    setWindowTitle(tr("Trevalon"));
    resize(987, 645);
}

MainWindow::~MainWindow() = default;

void MainWindow::loadFile(const QString& fileName)
{
    if (fileName.isEmpty())
        return;
    m_segy->setDevice(new QFile(fileName));
    if (m_segy->open())
        setWindowTitle(tr("Trevalon - %1").arg(fileName));
}
