#pragma once
// Binds objects to the columns of a tree grid: each column names a property
// of the bound class; each row caches the values read from one object.
#include "platform/Rtti.h"
#include "skin/ZelSkinImage.h"
#include "ui/VirtualTreeGrid.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TVTProxyGrid;
class TVTRowData;

// A stream of bytes a model can expose as a picture property.
class TMemoryStream {
public:
    std::string Data;
    size_t Position = 0;
    size_t Size() const { return Data.size(); }
};

// A cell value: empty, or one of the kinds below.
struct TCellValue {
    enum class Kind { Empty, Int32, Int64, Float, Text, Enumeration, Object };
    Kind kind = Kind::Empty;
    int64_t integer = 0;
    double number = 0;
    std::string text;
    const void* object = nullptr;
    bool isStream = false; // the object is a TMemoryStream

    static TCellValue Int32(int32_t v) { return {Kind::Int32, v, 0, {}, nullptr, false}; }
    static TCellValue Int64(int64_t v) { return {Kind::Int64, v, 0, {}, nullptr, false}; }
    static TCellValue Float(double v) { return {Kind::Float, 0, v, {}, nullptr, false}; }
    static TCellValue Text(std::string v) {
        return {Kind::Text, 0, 0, std::move(v), nullptr, false};
    }
    static TCellValue Object(const void* o, bool stream = false) {
        return {Kind::Object, 0, 0, {}, o, stream};
    }
    bool IsEmpty() const { return kind == Kind::Empty; }
};

// What a cell shows: integers in decimal, floating point with two decimals.
std::string FormatCellValue(const TCellValue& v);
// Hints, copies and key searches: floating point in general format.
std::string ValueToText(const TCellValue& v);

using TCellEventNotify = std::function<void(int valueIndex, TVTRowData* row)>;
using TTestHighLightNotify = std::function<bool(int valueIndex, TVTRowData* row)>;
using TVTProxyGridRowClickNotify = std::function<void(TVTProxyGrid* sender, TVTRowData* rowData)>;

class TVTProxyColumn {
public:
    explicit TVTProxyColumn(TVirtualTreeColumn* col) : Bind(col) {}

    std::string Caption;
    std::string DataField;
    rtti::TypeKind DataType = rtti::TypeKind::String;
    TVirtualTreeColumn* Bind;
    int32_t ValueIndex = 0;
    const rtti::PropInfo* TargetProperty = nullptr;
    bool IsSortable = false;
    TCellEventNotify OnLinkClick;
    TCellEventNotify OnClick;
    TTestHighLightNotify TestHighLight;
    bool ShowHint = false;

    bool IsDataImage() const { return DataType == rtti::TypeKind::Class; }
    int32_t Compare(TVTRowData* rowData1, TVTRowData* rowData2) const;
    std::string GetCellText(TVTRowData* rowData) const;
    void SetRowValue(TVTRowData* rowData, const rtti::TObject* model) const;
    void SetVisible(bool isVisible);
};

class TVTRowData {
public:
    explicit TVTRowData(int32_t size) : Values(static_cast<size_t>(std::max(0, size))) {}

    bool Checked() const { return FChecked; }
    void SetChecked(bool v) { FChecked = v; }

    TVTRowData* ParentRow = nullptr;
    TVirtualNode* BindNode = nullptr;
    TVTProxyGrid* ProxyGrid = nullptr;
    std::vector<TCellValue> Values;
    const rtti::TObject* UserData = nullptr; // not owned
    int32_t Level = 0;

    void SetValue(int32_t i, const TCellValue& v);
    void SetValueByName(const std::string& colName, const TCellValue& v);
    TCellValue GetValueByName(const std::string& colName) const;
    void Refresh();
    void Reset(int32_t startIndex);
    std::string ToString() const;

private:
    friend class TVTProxyColumn;
    void SetPictureValue(int32_t i, const void* object, bool isStream);
    bool FChecked = false;
};

class TVTProxyGrid {
public:
    TVTProxyGrid();
    virtual ~TVTProxyGrid();
    TVTProxyGrid(const TVTProxyGrid&) = delete;
    TVTProxyGrid& operator=(const TVTProxyGrid&) = delete;

    void AttachGrid(TVirtualTreeGrid* grid, const rtti::ClassInfo* bindClassType,
                    bool showRowNumber);
    TVTProxyColumn* AddColumn(const std::string& caption, const std::string& dataField);
    TVTProxyColumn* AddColumnDetail(const std::string& caption, const std::string& dataField,
                                    int32_t width, bool sortable);
    void AddCheckColumn();
    TVTProxyColumn* GetColumn(const std::string& caption) const;
    TVTRowData* AddRowData(const rtti::TObject* model);
    TVTRowData* AddRowDataTop(const rtti::TObject* model);
    TVTRowData* AddChildRowData(TVTRowData* parent, const rtti::TObject* model);
    TVTRowData* AddTerminalRowData(TVTRowData* parent, const rtti::TObject* model);
    TVTRowData* GetSelectedRowData() const;
    TVTRowData* GetRowData(const TCellValue& keyValue) const;
    TVTRowData* GetRowDataByColumn(const std::string& columnName,
                                   const TCellValue& columnValue) const;
    // The caller owns the list, not the rows.
    std::unique_ptr<std::vector<TVTRowData*>> GetCheckedRowList() const;
    void DeleteRowData(TVTRowData* rowData);
    void DeleteSelected();
    void CopySelected();
    void SetKeyColumn(const std::string& columnName);
    void SetColumnVisibility(const std::string& columnName, bool isVisible);
    void RefreshRowData(TVTRowData* rowData, const rtti::TObject* model);
    void RefreshRowData(TVirtualNode* node, const rtti::TObject* model,
                        const std::vector<std::string>& columns);
    void SetTreeViewStyle() { FStyleMode = 1; }
    void ShowGridLines(bool show);
    void ClearData();
    // The proxy column shown by a grid column, from its index (-1 row number,
    // -2 check column, otherwise the proxy column's index).
    int32_t MapColumnIndex(int32_t gridColumn) const;

    TVirtualTreeGrid* Grid() const { return FGrid; }
    const std::vector<std::unique_ptr<TVTProxyColumn>>& PropxyColumnList() const {
        return FColumnList;
    }
    bool ShowRowNumber() const { return FShowRowNumber; }
    const TVTProxyGridRowClickNotify& OnRowClick() const { return FOnRowClick; }
    void SetOnRowClick(TVTProxyGridRowClickNotify v) { FOnRowClick = std::move(v); }
    const TVTProxyGridRowClickNotify& OnRowDoubleClick() const { return FOnRowDoubleClick; }
    void SetOnRowDoubleClick(TVTProxyGridRowClickNotify v) { FOnRowDoubleClick = std::move(v); }
    bool EnableDeleteKey() const { return FEnableDeleteKey; }
    void SetEnableDeleteKey(bool v) { FEnableDeleteKey = v; }
    const std::vector<std::unique_ptr<TVTRowData>>& RowDataList() const { return FRowDataList; }

    // Keeps a loaded picture until ClearData.
    const TZelSkinImage* AddTempObject(std::unique_ptr<TZelSkinImage> picture);

private:
    TVTProxyColumn* ProxyColumnFor(int32_t gridColumn) const;
    TVTRowData* RowOf(TVirtualNode* node) const;
    void SetAllChecked(bool checked);
    void HookGrid();

    TVirtualTreeGrid* FGrid = nullptr;
    std::vector<std::unique_ptr<TVTProxyColumn>> FColumnList;
    std::vector<std::unique_ptr<TZelSkinImage>> FTempObjectList;
    std::vector<std::unique_ptr<TVTRowData>> FRowDataList;
    bool FShowRowNumber = false;
    const rtti::ClassInfo* FBindClass = nullptr;
    TVTProxyGridRowClickNotify FOnRowClick;
    TVTProxyGridRowClickNotify FOnRowDoubleClick;
    bool FEnableDeleteKey = false;
    int32_t FStyleMode = 0;
    TVTProxyColumn* FKeyColumn = nullptr;
    TVirtualTreeColumn* FCheckColumn = nullptr;
    TVTNodeAttachMode FNodeAttachMode = amAddChildLast;
};
