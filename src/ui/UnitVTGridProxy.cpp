#include "ui/UnitVTGridProxy.h"

#include "gui/Clipboard.h"
#include "platform/Text.h"
#include "skin/ZelSkinPng.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace {

constexpr uint16_t VK_DELETE = 46;
constexpr uint16_t VK_C = 67;
constexpr int kRowNumber = -1;
constexpr int kCheck = -2;

// The platform's general float format: up to 15 significant digits, an
// exponent only where the number needs one.
std::string FloatToStr(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    std::string s = buf;
    size_t e = s.find('e');
    if (e == std::string::npos) return s;
    std::string mantissa = s.substr(0, e);
    int exponent = std::atoi(s.c_str() + e + 1);
    return mantissa + "E" + std::to_string(exponent);
}

bool IsStringKind(rtti::TypeKind k) {
    return k == rtti::TypeKind::String;
}
bool IsNumberKind(rtti::TypeKind k) {
    return k == rtti::TypeKind::Integer || k == rtti::TypeKind::Int64 || k == rtti::TypeKind::Float;
}

double NumberOf(const TCellValue& v) {
    switch (v.kind) {
    case TCellValue::Kind::Int32:
    case TCellValue::Kind::Int64:
        return static_cast<double>(v.integer);
    case TCellValue::Kind::Float:
        return v.number;
    case TCellValue::Kind::Text:
        return std::atof(v.text.c_str());
    default:
        return 0;
    }
}

// Ordinal, with a to z folded to upper case, on UTF-16 units as the
// platform compares texts.
int32_t CompareText(const std::string& a, const std::string& b) {
    std::u16string x = platform::Utf8ToUtf16(a), y = platform::Utf8ToUtf16(b);
    auto up = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; };
    size_t n = std::min(x.size(), y.size());
    for (size_t i = 0; i < n; ++i) {
        char16_t p = up(x[i]), q = up(y[i]);
        if (p != q) return static_cast<int32_t>(p) - static_cast<int32_t>(q);
    }
    return static_cast<int32_t>(x.size()) - static_cast<int32_t>(y.size());
}

} // namespace

std::string FormatCellValue(const TCellValue& v) {
    switch (v.kind) {
    case TCellValue::Kind::Empty:
        return "";
    case TCellValue::Kind::Int32:
    case TCellValue::Kind::Int64:
        return std::to_string(v.integer);
    case TCellValue::Kind::Float: {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.2f", v.number);
        return buf;
    }
    case TCellValue::Kind::Object:
        return "";
    default:
        return v.text;
    }
}

std::string ValueToText(const TCellValue& v) {
    switch (v.kind) {
    case TCellValue::Kind::Empty:
    case TCellValue::Kind::Object:
        return "";
    case TCellValue::Kind::Int32:
    case TCellValue::Kind::Int64:
        return std::to_string(v.integer);
    case TCellValue::Kind::Float:
        return FloatToStr(v.number);
    default:
        return v.text;
    }
}

// ---- TVTProxyColumn

int32_t TVTProxyColumn::Compare(TVTRowData* rowData1, TVTRowData* rowData2) const {
    const TCellValue& a = rowData1->Values.at(static_cast<size_t>(ValueIndex));
    const TCellValue& b = rowData2->Values.at(static_cast<size_t>(ValueIndex));
    if (IsNumberKind(DataType)) return NumberOf(a) < NumberOf(b) ? -1 : 1;
    if (IsStringKind(DataType)) return CompareText(ValueToText(a), ValueToText(b));
    return 1;
}

std::string TVTProxyColumn::GetCellText(TVTRowData* rowData) const {
    return ValueToText(rowData->Values.at(static_cast<size_t>(ValueIndex)));
}

void TVTProxyColumn::SetRowValue(TVTRowData* rowData, const rtti::TObject* model) const {
    if (!TargetProperty || !model) return;
    rtti::PropValue v = TargetProperty->get(*model);
    TCellValue cell;
    switch (v.kind) {
    case rtti::TypeKind::Integer:
        cell = TCellValue::Int32(static_cast<int32_t>(v.ordinal));
        break;
    case rtti::TypeKind::Int64:
        cell = TCellValue::Int64(v.ordinal);
        break;
    case rtti::TypeKind::Float:
        cell = TCellValue::Float(v.number);
        break;
    case rtti::TypeKind::String:
        cell = TCellValue::Text(v.text);
        break;
    case rtti::TypeKind::Boolean:
    case rtti::TypeKind::Enumeration: {
        const auto& names = TargetProperty->names;
        size_t i = static_cast<size_t>(v.ordinal);
        cell = TCellValue::Text(i < names.size() ? names[i] : std::to_string(v.ordinal));
        break;
    }
    case rtti::TypeKind::Set: {
        std::string text;
        const auto& names = TargetProperty->names;
        for (size_t i = 0; i < names.size() && i < 64; ++i) {
            if (!(static_cast<uint64_t>(v.ordinal) & (1ull << i))) continue;
            if (!text.empty()) text += ",";
            text += names[i];
        }
        cell = TCellValue::Text(text);
        break;
    }
    case rtti::TypeKind::Class: {
        bool stream =
            TargetProperty->className == "TMemoryStream" || TargetProperty->className == "TStream";
        rowData->SetPictureValue(ValueIndex, v.object, stream);
        return;
    }
    }
    rowData->Values.at(static_cast<size_t>(ValueIndex)) = std::move(cell);
}

void TVTProxyColumn::SetVisible(bool isVisible) {
    if (isVisible)
        Bind->Options |= coVisible;
    else
        Bind->Options &= ~coVisible;
}

// ---- TVTRowData

void TVTRowData::SetValue(int32_t i, const TCellValue& v) {
    if (v.IsEmpty()) return;
    if (v.kind == TCellValue::Kind::Object && v.isStream) {
        SetPictureValue(i, v.object, true);
        return;
    }
    Values.at(static_cast<size_t>(i)) = v;
}

void TVTRowData::SetPictureValue(int32_t i, const void* object, bool isStream) {
    TCellValue& slot = Values.at(static_cast<size_t>(i));
    if (!object) {
        slot = TCellValue::Object(nullptr);
        return;
    }
    // Anything but a stream of a loadable picture leaves the slot as it was.
    if (!isStream) return;
    auto* stream = static_cast<const TMemoryStream*>(object);
    if (stream->Size() == 0) {
        slot = TCellValue::Object(nullptr);
        return;
    }
    const_cast<TMemoryStream*>(stream)->Position = 0;
    auto picture = std::make_unique<TZelSkinImage>();
    if (!LoadPngFromMemory(stream->Data.data(), stream->Data.size(), *picture)) return;
    slot = TCellValue::Object(ProxyGrid->AddTempObject(std::move(picture)));
}

void TVTRowData::SetValueByName(const std::string& colName, const TCellValue& v) {
    TVTProxyColumn* col = ProxyGrid->GetColumn(colName);
    if (!col) throw std::invalid_argument("no column " + colName);
    SetValue(col->ValueIndex, v);
}

TCellValue TVTRowData::GetValueByName(const std::string& colName) const {
    TVTProxyColumn* col = ProxyGrid->GetColumn(colName);
    if (!col) throw std::invalid_argument("no column " + colName);
    return Values.at(static_cast<size_t>(col->ValueIndex));
}

void TVTRowData::Refresh() {
    if (ProxyGrid && ProxyGrid->Grid()) ProxyGrid->Grid()->RepaintNode(BindNode);
}

void TVTRowData::Reset(int32_t startIndex) {
    for (size_t i = static_cast<size_t>(std::max(0, startIndex)); i < Values.size(); ++i)
        Values[i] = {};
}

std::string TVTRowData::ToString() const {
    std::string out;
    for (size_t i = 0; i < Values.size(); ++i) {
        if (i) out += ",";
        out += ValueToText(Values[i]);
    }
    return out;
}

// ---- TVTProxyGrid

TVTProxyGrid::TVTProxyGrid() = default;

TVTProxyGrid::~TVTProxyGrid() {
    ClearData();
    FColumnList.clear();
    if (FGrid) {
        // The grid may outlive the proxy: it must not call into a freed one.
        FGrid->OnGetText = nullptr;
        FGrid->OnPaintText = nullptr;
        FGrid->OnHeaderClick = nullptr;
        FGrid->OnCompareNodes = nullptr;
        FGrid->OnFreeNode = nullptr;
        FGrid->OnKeyDown = nullptr;
        FGrid->OnGetHint = nullptr;
        FGrid->OnGetHintSize = nullptr;
        FGrid->OnGetHintKind = nullptr;
        FGrid->OnDrawHint = nullptr;
        FGrid->OnInitNode = nullptr;
        FGrid->OnNodeClick = nullptr;
        FGrid->OnNodeDblClick = nullptr;
    }
}

void TVTProxyGrid::AttachGrid(TVirtualTreeGrid* grid, const rtti::ClassInfo* bindClassType,
                              bool showRowNumber) {
    FGrid = grid;
    grid->Header().Height = 25;
    grid->DefaultText = "-";
    grid->Indent = 5;
    grid->Header().Visible = true;
    grid->FullRowSelect = true;
    FBindClass = bindClassType;

    grid->Header().ClearColumns();
    FColumnList.clear();
    ClearData();
    FKeyColumn = nullptr;
    FCheckColumn = nullptr;

    FShowRowNumber = false;
    if (showRowNumber) {
        TVirtualTreeColumn* col = grid->Header().AddColumn();
        col->Text = "#";
        col->Width = 40;
        col->Alignment = taLeftJustify;
        col->CaptionAlignment = taLeftJustify;
        col->Margin = 5;
        FShowRowNumber = true;
    }
    grid->HintAnimation = false;
    grid->ShowHint = true;
    HookGrid();
    ShowGridLines(true);
    grid->GridLineColor = clScrollBar;
}

void TVTProxyGrid::HookGrid() {
    TVirtualTreeGrid* g = FGrid;
    g->OnGetText = [this](TVirtualTreeGrid*, TVirtualNode* node, int column, std::string& text) {
        if (column < 0) return;
        TVTRowData* row = RowOf(node);
        if (!row) return;
        int32_t index = MapColumnIndex(column);
        if (index == kCheck) {
            text = row->Checked() ? "√" : " ";
        } else if (index == kRowNumber) {
            text = std::to_string(node->Index() + 1);
        } else if (index >= 0 && index < static_cast<int32_t>(FColumnList.size())) {
            const TVTProxyColumn& col = *FColumnList[static_cast<size_t>(index)];
            text = col.IsDataImage() ? " "
                                     : FormatCellValue(row->Values.at(static_cast<size_t>(index)));
        }
    };
    g->OnPaintText = [this](TVirtualTreeGrid* grid, TVTCanvas& canvas, TVirtualNode* node,
                            int column, bool& defaultDraw) {
        if (column < 0) return;
        TVTProxyColumn* col = ProxyColumnFor(column);
        TVTRowData* row = RowOf(node);
        if (!col || !row) return;
        if (col->IsDataImage()) {
            const TCellValue& v = row->Values.at(static_cast<size_t>(col->ValueIndex));
            if (v.kind == TCellValue::Kind::Object && v.object) {
                defaultDraw = false;
                TRect header = col->Bind->HeaderRect();
                TRect nodeRect = grid->NodeRect(node);
                TRect r = TRect::Bounds(header.Left, nodeRect.Top, col->Bind->Width - 4,
                                        node->NodeHeight - 4);
                canvas.StretchDraw(r, *static_cast<const TZelSkinImage*>(v.object));
            }
            return;
        }
        if (col->TestHighLight && col->TestHighLight(col->ValueIndex, row))
            canvas.Font.SetColor(255);
        if (col->OnLinkClick) {
            canvas.Font.SetStyle(canvas.Font.Style() | fsUnderline);
            canvas.Font.SetColor(16711680);
        }
    };
    g->OnHeaderClick = [this](TVirtualTreeGrid* grid, int column) {
        if (FCheckColumn && column == FCheckColumn->Index()) {
            bool check = FCheckColumn->Tag == 0;
            FCheckColumn->Tag = check ? 1 : 0;
            FCheckColumn->Text = check ? "√" : "勾选";
            SetAllChecked(check);
            grid->InvalidateColumn(column);
            return;
        }
        TVirtualTreeColumn* gc = grid->Header().Column(column);
        if (!gc || !ProxyColumnFor(column)) return;
        TSortDirection direction = gc->DefaultSortDirection;
        grid->SortTree(column, direction);
        grid->Header().SortColumn = column;
        grid->Header().SortDirection = direction;
        gc->DefaultSortDirection = direction == sdAscending ? sdDescending : sdAscending;
    };
    g->OnCompareNodes = [this](TVirtualTreeGrid*, TVirtualNode* a, TVirtualNode* b, int column,
                               int& result) {
        TVTProxyColumn* col = ProxyColumnFor(column);
        if (!col) return;
        result = col->Compare(RowOf(a), RowOf(b));
    };
    g->OnFreeNode = [this](TVirtualTreeGrid*, TVirtualNode* node) {
        TVTRowData* row = RowOf(node);
        auto it = std::find_if(FRowDataList.begin(), FRowDataList.end(),
                               [&](const auto& r) { return r.get() == row; });
        if (it == FRowDataList.end()) return;
        FRowDataList.erase(it);
    };
    g->OnKeyDown = [this](TVirtualTreeGrid*, uint16_t& key, uint32_t shift) {
        if (FEnableDeleteKey && key == VK_DELETE)
            DeleteSelected();
        else if ((shift & ssCtrl) && key == VK_C)
            CopySelected();
    };
    g->OnGetHint = [this](TVirtualTreeGrid*, TVirtualNode* node, int column, std::string& text) {
        int32_t index = MapColumnIndex(column);
        if (index < 0) {
            text.clear();
            return;
        }
        TVTProxyColumn* col = ProxyColumnFor(column);
        if (col && !col->IsDataImage() && col->ShowHint) text = col->GetCellText(RowOf(node));
    };
    g->OnGetHintKind = [this](TVirtualTreeGrid*, TVirtualNode*, int column, TVTHintKind& kind) {
        TVTProxyColumn* col = ProxyColumnFor(column);
        kind = col && col->IsDataImage() ? vhkOwnerDraw : vhkText;
    };
    auto picture = [this](TVirtualNode* node, int column) -> const TZelSkinImage* {
        TVTProxyColumn* col = ProxyColumnFor(column);
        TVTRowData* row = RowOf(node);
        if (!col || !row) return nullptr;
        const TCellValue& v = row->Values.at(static_cast<size_t>(col->ValueIndex));
        return v.kind == TCellValue::Kind::Object ? static_cast<const TZelSkinImage*>(v.object)
                                                  : nullptr;
    };
    g->OnGetHintSize = [picture](TVirtualTreeGrid*, TVirtualNode* node, int column, TRect& rect) {
        if (picture(node, column)) rect = {0, 0, 150, 150};
    };
    g->OnDrawHint = [picture](TVirtualTreeGrid*, TVTCanvas& canvas, TVirtualNode* node,
                              const TRect& r, int column) {
        const TZelSkinImage* image = picture(node, column);
        if (!image) return;
        canvas.PenWidth = 3;
        canvas.PenColor = clScrollBar;
        canvas.Rectangle(r);
        canvas.StretchDraw(TRect::Bounds(2, 2, 146, 146), *image);
    };
    g->OnInitNode = [](TVirtualTreeGrid*, TVirtualNode*, TVirtualNode*, uint32_t& states) {
        states |= vsMultiline;
    };
    g->OnNodeClick = [this](TVirtualTreeGrid* grid, const TVTHitInfo& hit) {
        TVTRowData* row = RowOf(hit.HitNode);
        if (!row) return;
        int32_t index = MapColumnIndex(hit.HitColumn);
        if (index == kCheck) {
            row->SetChecked(!row->Checked());
            grid->RepaintNode(hit.HitNode);
            return;
        }
        if (FOnRowClick) FOnRowClick(this, row);
        if (index >= 0 && index < static_cast<int32_t>(FColumnList.size())) {
            TVTProxyColumn& col = *FColumnList[static_cast<size_t>(index)];
            if (col.OnClick) col.OnClick(col.ValueIndex, row);
        }
    };
    g->OnNodeDblClick = [this](TVirtualTreeGrid*, const TVTHitInfo& hit) {
        if (MapColumnIndex(hit.HitColumn) >= 0 && FOnRowDoubleClick)
            FOnRowDoubleClick(this, RowOf(hit.HitNode));
    };
}

int32_t TVTProxyGrid::MapColumnIndex(int32_t gridColumn) const {
    int32_t index = gridColumn;
    if (FShowRowNumber) {
        if (gridColumn == 0) return kRowNumber;
        index -= 1;
    }
    if (FCheckColumn) {
        if (gridColumn == FCheckColumn->Index()) return kCheck;
        if (gridColumn > FCheckColumn->Index()) index -= 1;
    }
    return index;
}

TVTProxyColumn* TVTProxyGrid::ProxyColumnFor(int32_t gridColumn) const {
    if (gridColumn < 0) return nullptr;
    int32_t index = MapColumnIndex(gridColumn);
    if (index < 0 || index >= static_cast<int32_t>(FColumnList.size())) return nullptr;
    return FColumnList[static_cast<size_t>(index)].get();
}

TVTRowData* TVTProxyGrid::RowOf(TVirtualNode* node) const {
    return node ? static_cast<TVTRowData*>(node->Data) : nullptr;
}

TVTProxyColumn* TVTProxyGrid::AddColumn(const std::string& caption, const std::string& dataField) {
    return AddColumnDetail(caption, dataField, 50, false);
}

TVTProxyColumn* TVTProxyGrid::AddColumnDetail(const std::string& caption,
                                              const std::string& dataField, int32_t width,
                                              bool sortable) {
    TVirtualTreeColumn* gc = FGrid->Header().AddColumn();
    gc->Text = caption;
    gc->Width = width;
    gc->Alignment = taLeftJustify;
    gc->CaptionAlignment = taLeftJustify;
    auto col = std::make_unique<TVTProxyColumn>(gc);
    col->Caption = caption;
    col->DataField = dataField;
    col->IsSortable = sortable;
    col->ValueIndex = static_cast<int32_t>(FColumnList.size());
    gc->Options = (sortable ? uint32_t(coAllowClick) : 0u) | coEnabled | coParentColor |
                  coResizable | coVisible | coAllowFocus | coWrapCaption | coStyleColor;
    if (dataField.empty()) {
        col->TargetProperty = nullptr;
        col->DataType = rtti::TypeKind::String;
    } else {
        const rtti::PropInfo* prop = FBindClass ? FBindClass->FindProperty(dataField) : nullptr;
        if (!prop) throw std::runtime_error("绑定属性[" + dataField + "]不存在");
        col->TargetProperty = prop;
        col->DataType = prop->kind;
        if (col->IsDataImage()) gc->Options &= ~coResizable;
    }
    FColumnList.push_back(std::move(col));
    return FColumnList.back().get();
}

void TVTProxyGrid::AddCheckColumn() {
    TVirtualTreeColumn* gc = FGrid->Header().AddColumn();
    gc->Text = "勾选";
    gc->Width = 40;
    gc->Alignment = taLeftJustify;
    gc->Options =
        coAllowClick | coEnabled | coParentColor | coVisible | coAllowFocus | coStyleColor;
    gc->Tag = 0;
    FCheckColumn = gc;
}

TVTProxyColumn* TVTProxyGrid::GetColumn(const std::string& caption) const {
    for (const auto& c : FColumnList)
        if (platform::SameTextAscii(c->Caption, caption)) return c.get();
    return nullptr;
}

TVTRowData* TVTProxyGrid::AddRowData(const rtti::TObject* model) {
    FNodeAttachMode = amAddChildLast;
    return AddChildRowData(nullptr, model);
}

TVTRowData* TVTProxyGrid::AddRowDataTop(const rtti::TObject* model) {
    FNodeAttachMode = amAddChildFirst;
    return AddChildRowData(nullptr, model);
}

TVTRowData* TVTProxyGrid::AddChildRowData(TVTRowData* parent, const rtti::TObject* model) {
    auto row = std::make_unique<TVTRowData>(static_cast<int32_t>(FColumnList.size()));
    row->ProxyGrid = this;
    row->ParentRow = parent;
    row->Level = parent ? parent->Level + 1 : 0;
    TVTRowData* raw = row.get();
    // Owned by the list before the node exists, so the node's free event finds it.
    FRowDataList.push_back(std::move(row));
    raw->BindNode = FGrid->AddChild(parent ? parent->BindNode : nullptr, raw, FNodeAttachMode);
    if (FStyleMode == 1) raw->BindNode->States |= vsHasChildren;
    if (model) {
        raw->UserData = model;
        for (const auto& col : FColumnList)
            if (col->TargetProperty) col->SetRowValue(raw, model);
    }
    return raw;
}

TVTRowData* TVTProxyGrid::AddTerminalRowData(TVTRowData* parent, const rtti::TObject* model) {
    TVTRowData* row = AddChildRowData(parent, model);
    row->BindNode->States &= ~vsHasChildren;
    return row;
}

TVTRowData* TVTProxyGrid::GetSelectedRowData() const {
    return FGrid ? RowOf(FGrid->GetFirstSelected()) : nullptr;
}

TVTRowData* TVTProxyGrid::GetRowData(const TCellValue& keyValue) const {
    if (!FKeyColumn) return nullptr;
    return GetRowDataByColumn(FKeyColumn->Caption, keyValue);
}

TVTRowData* TVTProxyGrid::GetRowDataByColumn(const std::string& columnName,
                                             const TCellValue& columnValue) const {
    TVTProxyColumn* col = GetColumn(columnName);
    if (!col) return nullptr;
    std::string key = ValueToText(columnValue);
    for (const auto& row : FRowDataList)
        if (ValueToText(row->Values.at(static_cast<size_t>(col->ValueIndex))) == key)
            return row.get();
    return nullptr;
}

std::unique_ptr<std::vector<TVTRowData*>> TVTProxyGrid::GetCheckedRowList() const {
    auto list = std::make_unique<std::vector<TVTRowData*>>();
    for (const auto& row : FRowDataList)
        if (row->Checked()) list->push_back(row.get());
    return list;
}

void TVTProxyGrid::DeleteRowData(TVTRowData* rowData) {
    if (!rowData) return;
    // The node's free event takes the row out of the list and frees it.
    FGrid->DeleteNode(rowData->BindNode);
}

void TVTProxyGrid::DeleteSelected() {
    if (FGrid && FGrid->SelectedCount() > 0) FGrid->DeleteSelectedNodes();
}

void TVTProxyGrid::CopySelected() {
    std::string text;
    for (TVirtualNode* n : FGrid->SelectedNodes()) {
        if (!text.empty()) text += "\r\n";
        text += RowOf(n)->ToString();
    }
    if (text.empty() && FGrid->FocusedNode()) text = RowOf(FGrid->FocusedNode())->ToString();
    gui::SetClipboardText(text);
}

void TVTProxyGrid::SetKeyColumn(const std::string& columnName) {
    FKeyColumn = GetColumn(columnName);
}

void TVTProxyGrid::SetColumnVisibility(const std::string& columnName, bool isVisible) {
    if (TVTProxyColumn* col = GetColumn(columnName)) col->SetVisible(isVisible);
}

void TVTProxyGrid::RefreshRowData(TVTRowData* rowData, const rtti::TObject* model) {
    bool any = false;
    for (const auto& col : FColumnList) {
        if (col->DataField.empty()) continue;
        col->SetRowValue(rowData, model);
        any = true;
    }
    if (any) FGrid->RepaintNode(rowData->BindNode);
}

void TVTProxyGrid::RefreshRowData(TVirtualNode* node, const rtti::TObject* model,
                                  const std::vector<std::string>& columns) {
    TVTRowData* row = RowOf(node);
    bool any = false;
    for (const auto& name : columns) {
        TVTProxyColumn* col = GetColumn(name);
        if (!col) continue;
        col->SetRowValue(row, model);
        any = true;
    }
    if (any) FGrid->RepaintNode(node);
}

void TVTProxyGrid::ShowGridLines(bool) {
    // Only ever asked to show them; both kinds are added.
    FGrid->ShowHorzGridLines = true;
    FGrid->ShowVertGridLines = true;
}

void TVTProxyGrid::ClearData() {
    if (FGrid) FGrid->Clear();
    FTempObjectList.clear();
    FRowDataList.clear();
}

const TZelSkinImage* TVTProxyGrid::AddTempObject(std::unique_ptr<TZelSkinImage> picture) {
    FTempObjectList.push_back(std::move(picture));
    return FTempObjectList.back().get();
}

void TVTProxyGrid::SetAllChecked(bool checked) {
    for (const auto& row : FRowDataList)
        row->SetChecked(checked);
}
