[skin]
format = 1
[metrics]
QPushButton { qproperty-minimumSize: 30000px 30000px; min-width: 1e5px; }
