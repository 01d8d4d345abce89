// What the record list, the record view pane and the splitter ask of the
// window that holds them. They know the open database, the resource module
// and this host, nothing else of the program.
#pragma once

#include "security/dialogs/Session.h"

class CRecord;
class CIconList;

class ViewHost : public Session {
public:
    // The list's selection moved to a record, or to none.
    virtual void OnSelectionChanged(CRecord* record) = 0;
    // The list was rebuilt (rows, columns, filter).
    virtual void OnListRebuilt() = 0;
    // A search narrowed or widened the rows, nothing else changed.
    virtual void OnRowsChanged() = 0;
    // A key or a double click in a view asks for a menu command.
    virtual void RunCommand(int id) = 0;
    // The splitter was dragged to a new place: the views are laid out again.
    virtual void OnSplitterMoved() = 0;
    // The category icons of the data folder; null when there are none.
    virtual const CIconList* Icons() const = 0;

protected:
    ~ViewHost() = default;
};
