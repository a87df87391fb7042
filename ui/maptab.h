#pragma once

#include <QWidget>

namespace Ui {
class MapTab;
}

class SEGY;
class SurveyMapView;

// The window's Map tab: the survey map with a fit-all button, a check box
// per layer, colouring by a field, and a line on the file's bin grid.
class MapTab : public QWidget
{
    Q_OBJECT

public:
    explicit MapTab(QWidget* parent = nullptr);
    ~MapTab() override;

    void setSegy(SEGY* segy);
    SurveyMapView* view() const;
    // The field the field list has selected (index; -1: none), used when
    // colouring is on.
    void setSelectedField(int field);

private:
    void updateColouring();
    void updateStatus();

    Ui::MapTab* ui;
    int m_selectedField = -1;
};
