// SPDX-License-Identifier: MIT
// The project's files: new, open, save, save as, the table import and export, the 计算书
// and the offer of work kept from pages that ended without saving. Saving goes back into
// the opened file where the browser allows it (File System Access API), else downloads.
import { type FileHandle, PROJECT_EXTENSION, type ProjectDocument } from './document';
import { ask, chooseFile, download, h } from './dom';
import type { Offered } from './recovery';
import { openReport } from './report';

interface PickerWindow {
  showOpenFilePicker?: (options: object) => Promise<FileHandle[]>;
  showSaveFilePicker?: (options: object) => Promise<FileHandle>;
}
const pickerTypes = [{ description: '工程文件', accept: { 'application/json': [PROJECT_EXTENSION] } },
  { description: 'DXF 图纸', accept: { 'application/dxf': ['.dxf'] } }];
const isDxf = (file: File) => /\.dxf$/i.test(file.name);

function when(time: number): string {
  const d = new Date(time);
  const two = (n: number) => String(n).padStart(2, '0');
  return `${d.getFullYear()}-${two(d.getMonth() + 1)}-${two(d.getDate())} ${two(d.getHours())}:${two(d.getMinutes())}`;
}

export class ProjectFiles {
  /** Where a DXF drawing goes when 打开 or 导入 is given one. */
  dxf: ((file: File) => Promise<unknown>) | undefined;

  constructor(private readonly doc: ProjectDocument) {}

  private get engine() { return this.doc.engine; }

  /** Whether the project may be put aside: saved, or its changes given up. */
  async discardOk(): Promise<boolean> {
    if (!this.doc.dirty) return true;
    const choice = await ask(`工程“${this.doc.title}”有未保存的修改。`, ['保存', '不保存', '取消']);
    if (choice === 0) return this.save(false);
    return choice === 1;
  }

  /** Shows the project as File → Open does; the refusal when it is not one. */
  openText(text: string, fileName: string, handle?: FileHandle, recovered = false): string {
    const refusal = this.engine.open(text);
    if (refusal) {
      this.doc.say(`无法打开工程“${fileName}”：${refusal}`, true);
      return refusal;
    }
    this.doc.replaced(fileName, handle, recovered);
    this.doc.say(`已打开“${fileName || this.doc.title}”，${this.engine.size()} 个计算单元`);
    return '';
  }

  async newProject(): Promise<void> {
    if (!(await this.discardOk())) return;
    this.engine.reset(this.engine.schema().standard);
    this.doc.replaced('', undefined, false);
    this.doc.say('新工程：先填写工程名称，再添加计算单元（Insert）');
  }

  async openFile(): Promise<void> {
    if (!(await this.discardOk())) return;
    const picker = (window as PickerWindow).showOpenFilePicker;
    if (picker) {
      try {
        const [handle] = await picker({ types: pickerTypes });
        const file = await handle.getFile();
        if (this.dxf && isDxf(file)) { await this.dxf(file); return; }
        this.openText(await file.text(), handle.name, handle);
      } catch (error) {
        if ((error as Error).name !== 'AbortError') this.doc.say(String(error), true);
      }
      return;
    }
    chooseFile(`${PROJECT_EXTENSION},application/json,.dxf`, (file) => {
      if (this.dxf && isDxf(file)) { void this.dxf(file); return; }
      void file.text().then((text) => this.openText(text, file.name));
    });
  }

  /** Saves where the project came from when the browser allows it, otherwise downloads it. */
  async save(choose: boolean): Promise<boolean> {
    const text = this.engine.projectText();
    const name = this.doc.proposedFileName;
    const picker = (window as PickerWindow).showSaveFilePicker;
    let fileName = name;
    let handle = this.doc.handle;
    try {
      if (handle && !choose) {
        const writable = await handle.createWritable();
        await writable.write(text);
        await writable.close();
        fileName = this.doc.fileName;
      } else if (picker) {
        handle = await picker({ suggestedName: name, types: pickerTypes });
        const writable = await handle.createWritable();
        await writable.write(text);
        await writable.close();
        fileName = handle.name;
      } else {
        download(name, text, 'application/json');
      }
    } catch (error) {
      if ((error as Error).name !== 'AbortError') this.doc.say(`保存失败：${String(error)}`, true);
      return false;
    }
    this.doc.saved(fileName, handle, text);
    this.doc.say(picker || handle ? `已保存“${fileName}”` : `已保存“${fileName}”（浏览器的下载位置）`);
    return true;
  }

  /**
   * A table's units, as the desktop workbook takes them: added at the end of the project
   * (one undo step), or as a new project named after the table. An untouched sample or
   * an empty, unchanged project simply gives way to it.
   */
  importCsv(): void {
    chooseFile('.csv,text/csv,.dxf', (file) => {
      // A drawing's rooms: the DXF import asks where they go itself.
      if (this.dxf && isDxf(file)) void this.dxf(file);
      else void this.importFile(file);
    });
  }

  private async importFile(file: File): Promise<void> {
    const read = this.engine.importTable(new Uint8Array(await file.arrayBuffer()));
    if (read.refusal !== undefined || !read.units) {
      this.doc.say(`表格“${file.name}”不能导入：${read.refusal ?? ''}`, true);
      return;
    }
    const units = read.units;
    const left = read.unused?.length ? `；表中的${read.unused.map((n) => `“${n}”`).join('')}列不属于计算单元，未导入` : '';
    const done = `已导入“${file.name}”中的 ${units.length} 个计算单元${left}`;
    const empty = this.doc.sample || (this.engine.size() === 0 && !this.doc.dirty);
    if (!empty) {
      const choice = await ask(
        `“${file.name}”中有 ${units.length} 个计算单元。\n添加到当前工程“${this.doc.title}”的末尾（可以一步撤销），还是新建一个工程？`,
        ['添加到末尾', '新建工程', '取消']);
      if (choice === 0) {
        const at = this.engine.size();
        this.engine.insert(at, units);
        this.doc.structural({ kind: 'insert', at, units }, at);
        this.doc.say(done);
        return;
      }
      if (choice !== 1 || !(await this.discardOk())) return;
    }
    // A project of the table alone: none of the fields of the one before, its name the table's.
    this.engine.reset(this.engine.schema().standard);
    this.engine.setInfo('name', file.name.replace(/\.(csv|txt)$/i, ''));
    this.engine.insert(0, units);
    this.doc.replaced('', undefined, true);
    this.doc.say(done);
  }

  exportCsv(): void {
    const name = this.doc.proposedFileName.replace(/\.exdesign$/i, '') + '.csv';
    download(name, this.engine.exportTable(), 'text/csv;charset=utf-8');
  }

  /** The 计算书 in a tab of its own, ready to print. */
  openReport(): Window | null {
    return openReport(this.engine.reportHtml());
  }

  /**
   * Offers back the work of pages that ended without saving, every copy with its project,
   * file, units and time: 恢复 opens it here, 丢弃 removes it, 以后再说 (or Escape, or
   * closing the question) leaves them all for a page opened later.
   */
  async offerRecovery(): Promise<void> {
    const offered = await this.doc.copy.offerable().catch(() => [] as Offered[]);
    if (offered.length === 0) return;
    const here = decodeURI(location.pathname);
    const waiting = new Set(offered);
    const list = h('ul', { class: 'copies' });
    const dialog = h('dialog', { class: 'recovery', 'aria-labelledby': 'recovery-title' },
      h('h2', { id: 'recovery-title' }, '未保存的工作'),
      h('p', {}, '下面的工作在页面关闭、重新载入或出错时还没有保存：'),
      list);
    let recovered: Offered | undefined;
    const finish = () => { if (dialog.open) dialog.close(); };
    for (const copy of offered) {
      const { kept } = copy;
      const restore = h('button', { type: 'button' }, '恢复');
      const discard = h('button', { type: 'button' }, '丢弃');
      const details = [
        kept.fileName ? `文件 ${kept.fileName}` : '从未保存过',
        `${kept.units} 个计算单元`,
        `${when(kept.time)} 自动保存`,
      ];
      const item = h('li', {},
        h('div', { class: 'what' }, h('strong', {}, kept.name.trim() || '未命名'), h('span', {}, details.join('，'))),
        kept.page && kept.page !== here ? h('div', { class: 'where' }, `由另一个位置的页面保存：${kept.page}`) : '',
        h('div', { class: 'buttons' }, restore, discard));
      restore.setAttribute('aria-label', `恢复“${kept.name.trim() || '未命名'}”`);
      discard.setAttribute('aria-label', `丢弃“${kept.name.trim() || '未命名'}”`);
      restore.addEventListener('click', () => { recovered = copy; finish(); });
      discard.addEventListener('click', () => {
        waiting.delete(copy);
        item.remove();
        void this.doc.copy.discard(copy).catch(() => undefined);
        if (waiting.size === 0) finish();
      });
      list.append(item);
    }
    const later = h('button', { type: 'button' }, '以后再说');
    later.addEventListener('click', finish);
    dialog.append(h('div', { class: 'buttons' }, later));
    document.body.append(dialog);
    await new Promise<void>((resolve) => {
      dialog.addEventListener('close', () => { dialog.remove(); resolve(); });
      dialog.showModal();
    });
    for (const copy of waiting) if (copy !== recovered) copy.release();
    if (!recovered) {
      if (waiting.size > 0) this.doc.say(`还有 ${waiting.size} 份未保存的工作留着，下次打开本页面时再问`);
      return;
    }
    if (this.openText(recovered.kept.text, recovered.kept.fileName, undefined, true)) {
      recovered.release();
      return;
    }
    await this.doc.copy.adopt(recovered);
    const others = waiting.size - 1;
    this.doc.say(`已恢复“${this.doc.title}”未保存的工作${others > 0 ? `；另有 ${others} 份留到下次打开本页面时再问` : ''}`);
  }
}
