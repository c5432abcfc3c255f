/* Ambrevale's default skin: a calm slate-and-amber look. */
QWidget#Form1, QGroupBox#Frame1 {
    color: #1f2a36;
}
QGroupBox#Frame1 {
    border: 1px solid #9aa8b6;
    border-radius: 4px;
    margin-top: 9px;
    padding-top: 4px;
}
QGroupBox#Frame1::title {
    subcontrol-origin: margin;
    left: 8px;
    padding: 0 3px;
    color: #2a5a86;
}
QPushButton {
    color: #ffffff;
    background-color: #2f6b9a;
    border: 1px solid #24567d;
    border-radius: 3px;
    padding: 2px 8px;
}
QPushButton:hover { background-color: #3a7fb5; }
QPushButton:pressed { background-color: #24567d; }
QPushButton:focus { border: 1px solid #e8892c; }
QLineEdit {
    background: #ffffff;
    border: 1px solid #9aa8b6;
    border-radius: 2px;
    padding: 1px 4px;
    selection-background-color: #2f6b9a;
}
QLineEdit:focus { border: 1px solid #2f6b9a; }
QTreeView {
    background: #ffffff;
    alternate-background-color: #f3f6f9;
    border: 1px solid #9aa8b6;
    selection-background-color: #2f6b9a;
    selection-color: #ffffff;
}
QHeaderView::section {
    background: #e4eaf0;
    color: #1f2a36;
    border: 0;
    border-right: 1px solid #c3ccd5;
    border-bottom: 1px solid #9aa8b6;
    padding: 2px 4px;
}
