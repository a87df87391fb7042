#pragma once

#include "headerchanges.h"

#include <QString>
#include <QtGlobal>
#include <deque>

class SEGY;

// The steps of undo and redo for one open file. Each step keeps only the
// values it changed: the changes that make it again (forward) and those that
// put back what it replaced (inverse), both stored through SEGY::apply.
// Steps past the current one are redone in order; a new step drops them.
// The history keeps under a byte budget by dropping its oldest steps.
class ChangeHistory
{
public:
    static constexpr qint64 DefaultBudget = qint64(1) << 30;

    struct Step {
        QString name;
        HeaderChanges forward;
        HeaderChanges inverse;
        qint64 bytes = 0;
    };

    explicit ChangeHistory(qint64 budget = DefaultBudget) : m_budget(budget) {}

    // The forward changes of a step whose inverse was just stored: the file's
    // current values of the inverse's entries.
    static HeaderChanges currentValues(const SEGY& segy, const HeaderChanges& inverse);
    static qint64 bytesOf(const HeaderChanges& changes);

    // Adds a step after the current one; returns how many of the oldest
    // steps were dropped to keep within the budget (the newest step stays
    // even when it alone is larger).
    int record(const QString& name, HeaderChanges forward, HeaderChanges inverse);
    // Take the current step back, or make the next one again, through
    // SEGY::apply. Nothing moves when the apply fails or there is no step.
    ApplyResult undo(SEGY& segy);
    ApplyResult redo(SEGY& segy);

    bool canUndo() const { return m_index > 0; }
    bool canRedo() const { return m_index < int(m_steps.size()); }
    QString undoText() const { return canUndo() ? m_steps[size_t(m_index - 1)].name : QString(); }
    QString redoText() const { return canRedo() ? m_steps[size_t(m_index)].name : QString(); }
    int count() const { return int(m_steps.size()); }
    int index() const { return m_index; }

    // The clean point is the state last saved (or loaded); it is lost when
    // the steps that lead back to it are dropped.
    bool isClean() const { return m_clean == m_index; }
    void setClean() { m_clean = m_index; }
    // Empty and clean: a newly loaded file.
    void clear();

    qint64 bytes() const { return m_bytes; }
    qint64 budget() const { return m_budget; }
    void setBudget(qint64 budget) { m_budget = budget; }
    // The budget in words, e.g. "1 GB".
    static QString sizeText(qint64 bytes);

private:
    std::deque<Step> m_steps;
    int m_index = 0;
    int m_clean = 0;
    qint64 m_bytes = 0;
    qint64 m_budget;
};
