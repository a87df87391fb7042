#pragma once

#include <QMainWindow>

class SEGY;

// The windowed front end. For now it offers the frame the entry function needs.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    void loadFile(const QString& fileName);

private:
    SEGY* m_segy;
};
