#pragma once

#include <QDialog>

// The About box: program name and version, the maker's notice and links to the web site and
// the support mailbox. Links open in the user's programs; the box stays open after a click.
class TAboutForm : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutForm(QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void SiteLabelClick();
    void Label3Click();
    void OKButtonClick();
};
