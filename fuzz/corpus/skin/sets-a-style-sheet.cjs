[skin]
format = 1

[colours]
QPushButton { qproperty-styleSheet: "QPushButton { qproperty-styleSheet: 'x' }"; }
