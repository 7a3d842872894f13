#include "Notice.h"

#include "ProductInfo.h"

#include <QMessageBox>

namespace Notice {

QMessageBox *show(QWidget *parent, const QString &text)
{
    auto *box = new QMessageBox(QMessageBox::NoIcon, QString::fromLatin1(ProductInfo::kName), text,
                                QMessageBox::Ok, parent);
    box->setObjectName(QStringLiteral("Notice"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    box->show();
    return box;
}

} // namespace Notice
