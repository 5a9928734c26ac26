// SPDX-License-Identifier: MIT
// Runs before the page's program, in ES5 so that any browser runs it: where the program
// cannot start (no WebAssembly, a browser too old to read the program, the engine
// refused), the page says why and what to use, instead of 正在载入… for ever. The page's
// program reports its own failures through window.extinguisherCannotStart.
(function () {
  var advice = '请用新版的 Microsoft Edge、Google Chrome 或 Firefox 打开本文件；' +
    '在 360 安全浏览器、QQ 浏览器等双核浏览器中，请切换到“极速模式”（地址栏右侧的图标）。';
  var shown = false;
  function paragraph(text, className) {
    var p = document.createElement('p');
    p.appendChild(document.createTextNode(text));
    if (className) p.className = className;
    return p;
  }
  function cannotStart(why, detail) {
    if (shown) return;
    shown = true;
    var root = document.getElementById('app');
    var box = document.createElement('div');
    box.className = 'failure';
    box.setAttribute('role', 'alert');
    var title = document.createElement('h1');
    title.appendChild(document.createTextNode('建筑灭火器配置设计无法在这个浏览器中启动'));
    box.appendChild(title);
    box.appendChild(paragraph(why));
    box.appendChild(paragraph(advice));
    if (detail) box.appendChild(paragraph('详细信息：' + detail, 'detail'));
    while (root.firstChild) root.removeChild(root.firstChild);
    root.appendChild(box);
    root.removeAttribute('aria-busy');
  }
  window.extinguisherCannotStart = cannotStart;
  if (typeof WebAssembly !== 'object') {
    cannotStart('这个浏览器不支持 WebAssembly，而本页面的计算要用到它。');
    return;
  }
  // The program did not even run: a syntax this browser cannot read, or an error on loading.
  window.addEventListener('error', function (event) {
    if (!window.extinguisher) cannotStart('本页面的程序无法在这个浏览器中运行。', event.message || '');
  });
  document.addEventListener('DOMContentLoaded', function () {
    if (!window.extinguisher) cannotStart('本页面的程序没有运行起来。');
  });
})();
