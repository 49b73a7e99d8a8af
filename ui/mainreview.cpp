#include "mainunit.h"

int32_t SortColumn = 0;
bool SortDescending = false;

void TMainForm::SetListRowCount(int rows) { Q_UNUSED(rows); }

void TMainForm::ListView1Click() { }

void TMainForm::ListView1ColumnClick(int column) { Q_UNUSED(column); }

void TMainForm::ListView1KeyUp(QKeyEvent *event) { Q_UNUSED(event); }

void TMainForm::SwapImagesButtonClick() { }

void TMainForm::LeftImageClick() { }

void TMainForm::RightImageClick() { }

void TMainForm::DeleteImageButton1Click() { }

void TMainForm::DeleteImageButton2Click() { }

void TMainForm::MoveImageButton1Click() { }

void TMainForm::MoveImageButton2Click() { }

void TMainForm::BrowseImageButton1Click() { }

void TMainForm::BrowseImageButton2Click() { }

void TMainForm::SavelistofdupliacatestoCSV1Click() { }
